// What each result of the road means in words: the status functions' sentence and, where the
// update stops for it, the message it prints. One row a status.
#ifndef VARNOKE_STATUS_TEXT_H
#define VARNOKE_STATUS_TEXT_H

#include <cstdint>

namespace varnoke {

// What a message of the update takes after the file's name.
enum class MessageArgs {
    kName,               // the name alone
    kNameOffset,         // the name, then OffsetToData as an unsigned number
    kNameFormatVersion,  // the name, then the point format, major and minor version as digits
};

struct StatusText {
    int status;
    const char *sentence;        // without a final full stop
    const char *update_message;  // null where the update never stops for this status
    MessageArgs args = MessageArgs::kName;
};

// The row of `status`; null for a value that is none of the road's.
const StatusText *status_text(int status);

// Prints the update's message for `status` about `filename`, whose header is `header` (as read
// through the update's handle, for the offset, format and version in some messages).
void print_update_message(int status, const char *filename, const unsigned char *header);

}  // namespace varnoke

#endif
