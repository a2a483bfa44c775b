// Messages that more than one step of the road of a file can print.
#ifndef VARNOKE_MESSAGES_H
#define VARNOKE_MESSAGES_H

namespace varnoke {

// The file ends before the header bytes a step needs.
inline constexpr const char *kTooShortMessage = "\nFile %s is too short to hold a .las header\n";
// The operating system reported an error while reading the file.
inline constexpr const char *kReadErrorMessage = "\nError while reading %s\n";

}  // namespace varnoke

#endif
