// The threads one call may read with: its own, or those of the caller's pool.
#ifndef VARNOKE_WORKERS_H
#define VARNOKE_WORKERS_H

#include "Varnoke_LiDAR.h"

namespace varnoke {

struct Workers {
    unsigned threads = 2;  // the most at once, the calling thread included
    // The caller's pool (varnoke_las_options.run); null: threads of the call's own.
    void (*run)(void *pool, varnoke_las_task task, void *arg, unsigned tasks) = nullptr;
    void *pool = nullptr;
    // The caller's stop function (varnoke_las_options.stop); null: never asked.
    int (*stop)(void *arg) = nullptr;
    void *stop_arg = nullptr;
    // True once the caller asks the call to stop.
    bool stopped() const { return stop != nullptr && stop(stop_arg) != 0; }
};

// Calls task(arg, k) once for each k below `tasks` and returns when all have returned: on the
// caller's pool, or on the calling thread and up to threads - 1 threads started for the call.
// Where the system will not start a thread, the calling thread does that thread's share.
void run_tasks(const Workers &workers, unsigned tasks, varnoke_las_task task, void *arg);

}  // namespace varnoke

#endif
