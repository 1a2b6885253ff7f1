#!/usr/bin/env bash
# Loads the machine as a parallel C++ build does (compilers that work memory,
# disk and the scheduler together, which busy loops alone do not): a small
# generated tree in DIR compiled with make -j JOBS, again and again, for
# SECONDS, then it ends by itself.
#   build-load.sh DIR SECONDS [JOBS]
# Prints "LOADING" once the first compilers run. Terminating it stops every
# compiler it started.
set -u
dir=$1
seconds=$2
jobs=${3:-8}
mkdir -p "$dir" || exit 2

# Each unit takes a few seconds at -O2: regular expressions, maps and
# streams instantiated over a few types.
for i in $(seq 1 $((jobs * 3))); do
    cat >"$dir/unit$i.cpp" <<EOF
#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>
namespace unit$i {
template <class K, class V>
std::string tally(const std::string &text, const std::string &pattern) {
    std::map<K, std::vector<V>> seen;
    const std::regex re(pattern);
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it) {
        std::istringstream in((*it)[2].str());
        V v{};
        in >> v;
        seen[K((*it)[1].str().size() + $i)].push_back(v);
    }
    std::ostringstream out;
    for (auto &[k, vs] : seen) {
        std::sort(vs.begin(), vs.end());
        out << k << ':' << vs.size() << ';';
    }
    return out.str();
}
std::string all(const std::string &t) {
    return tally<int, double>(t, "([a-z]+)([0-9.]+)");
}
}  // namespace unit$i
EOF
done
cat >"$dir/Makefile" <<'EOF'
SRC := $(wildcard unit*.cpp)
all: $(SRC:.cpp=.o)
%.o: %.cpp
	g++ -std=c++17 -O2 -c $< -o $@
EOF

# The loop runs in a session of its own, so that stopping it ends every
# compiler it started, at once.
setsid bash -c "while :; do make -s -k -j$jobs -C '$dir' >/dev/null 2>&1; rm -f '$dir'/*.o; done" &
pid=$!
sleeper=
trap 'kill -TERM -- "-$pid" $sleeper 2>/dev/null; exit 0' TERM INT HUP
echo LOADING
sleep "$seconds" &
sleeper=$!
wait "$sleeper"
kill -TERM -- "-$pid" 2>/dev/null
exit 0
