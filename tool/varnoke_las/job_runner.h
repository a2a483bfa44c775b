// Files judged on several threads, their results handed on in the order of the list.
#ifndef VARNOKE_LAS_JOB_RUNNER_H
#define VARNOKE_LAS_JOB_RUNNER_H

#include <functional>

#include "judgement.h"
#include "options.h"
#include "path_list.h"
#include "since.h"

namespace varnoke_las {

// Lists the entries of `list` on the calling thread while a pool of options.jobs threads judges
// them (and reads the blocks of large files for the library: options.jobs threads read in all),
// and hands each result to `emit` on the calling thread, in the order of the list. At most 16
// results per job wait for their turn: a file taking long holds the others back, but memory stays
// bounded by the number of jobs. `idle` is called every fifth of a second while the calling
// thread waits; `listed` after each entry is listed. A stop (signals.h) ends the listing; the
// files already taken by a thread finish and are handed on, but for those the library gave up
// on. A file listed again under another name is judged once (same_file.h). Where `earlier` is
// given (--since), a file unchanged since that report keeps its recorded result unread.
void run_in_order(PathList &list, const Options &options, bool measure_sizes,
                  const EarlierReport *earlier, const std::function<void(FileResult &&)> &emit,
                  const std::function<void()> &idle, const std::function<void()> &listed);

}  // namespace varnoke_las

#endif
