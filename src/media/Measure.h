#pragma once
// Measuring many files at once, and the lengths kept between runs.
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <mutex>

namespace vb2media {

// Measures the files on worker threads, several at once, and keeps their
// lengths, so that the probe player's FileName finds each of them at once
// afterwards, in whatever order it asks. A file that cannot be measured is left
// for the probe to refuse. Blocks until all are done. Never throws: what it
// could not measure, the probe measures.
void measureFiles(const QStringList &paths) noexcept;

// Lengths by path, size and modification time (nanoseconds), kept in a text
// file that ends with a checksum: a damaged or foreign file (a bad count, size
// or field) is ignored and rewritten whole at the next save.
class LengthCache {
  public:
    struct Stamp {
        int64_t size = 0;
        int64_t mtimeNs = 0;
    };
    enum class Kind : char { Sound = 's', Midi = 'm' };

    explicit LengthCache(const QString &file);

    static bool stampOf(const QString &path, Stamp &stamp);
    bool find(const QString &path, const Stamp &stamp, double &seconds, Kind &kind);
    void insert(const QString &path, const Stamp &stamp, double seconds, Kind kind);
    // Writes the file when something was added since it was read; false when it cannot be written.
    bool save();
    int size();

    // The program's cache, in the user's cache folder (XDG_CACHE_HOME).
    static LengthCache &shared();

    // One kept length, as the file holds it.
    struct Entry {
        int64_t size = 0;
        int64_t mtimeNs = 0;
        double seconds = 0;
        Kind kind = Kind::Sound;
    };

  private:
    void loadLocked();

    QString file_;
    std::mutex mtx_;
    bool loaded_ = false;
    bool dirty_ = false;
    QHash<QString, Entry> entries_;
};

}  // namespace vb2media
