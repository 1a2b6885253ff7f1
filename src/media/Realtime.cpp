// Real-time scheduling for the audio thread: SCHED_FIFO where the process may
// set it itself (root, or an RLIMIT_RTPRIO of the user), else rtkit, the
// desktop's broker for it. Without either the thread runs on at normal priority.
#include <dbus/dbus.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "media/AudioOutput.h"

namespace vb2media {

namespace {

// Below the sound servers' own threads (PipeWire and PulseAudio use 88 and 5
// to 20 through rtkit), above everything else of ours.
constexpr int kPriority = 10;

bool viaRtkit(int priority) {
    // rtkit grants only to a process that bounds its real-time CPU time.
    rlimit rt{};
    if (getrlimit(RLIMIT_RTTIME, &rt) == 0 && (rt.rlim_max == RLIM_INFINITY || rt.rlim_max > 200000)) {
        rt.rlim_cur = rt.rlim_max = 200000;  // 200 ms without sleeping; the kernel's guard against a hang
        setrlimit(RLIMIT_RTTIME, &rt);
    }
    DBusError err;
    dbus_error_init(&err);
    DBusConnection *bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &err);
    if (!bus) {
        dbus_error_free(&err);
        return false;
    }
    dbus_connection_set_exit_on_disconnect(bus, false);
    bool ok = false;
    if (DBusMessage *m =
            dbus_message_new_method_call("org.freedesktop.RealtimeKit1", "/org/freedesktop/RealtimeKit1",
                                         "org.freedesktop.RealtimeKit1", "MakeThreadRealtime")) {
        dbus_uint64_t tid = dbus_uint64_t(syscall(SYS_gettid));
        dbus_uint32_t prio = dbus_uint32_t(priority);
        if (dbus_message_append_args(m, DBUS_TYPE_UINT64, &tid, DBUS_TYPE_UINT32, &prio, DBUS_TYPE_INVALID)) {
            if (DBusMessage *r = dbus_connection_send_with_reply_and_block(bus, m, 1000, &err)) {
                ok = !dbus_set_error_from_message(&err, r);
                dbus_message_unref(r);
            }
        }
        dbus_message_unref(m);
    }
    dbus_error_free(&err);
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    return ok;
}

}  // namespace

bool requestRealtime() {
    rlimit lim{};
    int priority = kPriority;
    if (getuid() != 0 && getrlimit(RLIMIT_RTPRIO, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY)
        priority = std::min<int>(priority, int(lim.rlim_cur));
    if (priority > 0) {
        sched_param p{};
        p.sched_priority = priority;
        if (pthread_setschedparam(pthread_self(), SCHED_FIFO | SCHED_RESET_ON_FORK, &p) == 0)
            return true;
    }
    return viaRtkit(kPriority);
}

}  // namespace vb2media
