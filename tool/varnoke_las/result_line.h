// The line written for one file: text or a JSON object, each ending in a newline.
#ifndef VARNOKE_LAS_RESULT_LINE_H
#define VARNOKE_LAS_RESULT_LINE_H

#include <string>

#include "judgement.h"

namespace varnoke_las {

// "ok PATH", "stale PATH: WHAT", "repaired PATH: WHAT" or "refused PATH: REASON".
void append_text_line(std::string &out, const FileResult &result);

// One object: the path, the outcome, the status and its sentence, then the report's fields.
void append_json_line(std::string &out, const FileResult &result);

}  // namespace varnoke_las

#endif
