// Every message that validation and the header update print, in one table: the texts are the
// system's own, newlines included. The man page lists each of them (a test checks that).
#ifndef VARNOKE_MESSAGES_H
#define VARNOKE_MESSAGES_H

namespace varnoke::msg {

// Validation, in the order of its checks.
inline constexpr const char *kCannotProbe = "Unable to open file %s in file_access()\n";
inline constexpr const char *kDoesNotExist = "\nFile %s does NOT exist\n";
inline constexpr const char *kAlreadyExists = "\nFile %s already exists\n";
inline constexpr const char *kNamedTwice = "\nSame file name (%s) has been specified twice\n";
inline constexpr const char *kNameTooShort = "\nFile name (%s) is too short\n";
inline constexpr const char *kNoDot = "\nExtension of file %s should be preceeded by a dot (.)\n";
inline constexpr const char *kWrongExtension = "\nFile extension of %s is not .%s\n";
inline constexpr const char *kCannotOpenForReading = "\nCannot open binary file %s for reading\n";
inline constexpr const char *kNotRegular = "\nFile %s is not a regular file; it is not read\n";
inline constexpr const char *kNotLas = "\n%s is not a valid .las file\n\n";
inline constexpr const char *kMajorVersion = "\nCannot handle las files of version %c.x\n";
inline constexpr const char *kMinorVersion = "\nCannot handle las files of version %c.%c\n";
inline constexpr const char *kPointFormat =
    "\nPointDataFormatID in %s is %c. Only 0, 1, 2, or 3 is accepted\n";
inline constexpr const char *kRecordLength =
    "\nData format of %s (%c) is incompatible with Length of Data Record (%u)\n";

// Validation and the update alike.
inline constexpr const char *kTooShort = "\nFile %s is too short to hold a .las header\n";
inline constexpr const char *kReadError = "\nError while reading %s\n";

// The update, in the order of its steps.
inline constexpr const char *kCannotOpenForUpdate =
    "\nCannot open binary file %s for header update\n\n";
inline constexpr const char *kChangedSinceValidation =
    "\nFile %s changed after it was validated; nothing was written to it\n";
inline constexpr const char *kNoRecordLayout =
    "\nPointDataFormatID in %s is %c. It is not defined for las files of version %c.%c\n";
inline constexpr const char *kDataInsideHeader =
    "\nOffsetToData of %s is %u: its point data would start inside the 227-byte header\n";
inline constexpr const char *kDataPastTheEnd =
    "\nOffsetToData of %s is %u: its point data would start past the end of the file\n";
inline constexpr const char *kNoMemory =
    "\nCannot allocate memory for storing a record of information from %s\n";
inline constexpr const char *kTooManyRecords =
    "\nFile %s holds more than 4294967295 point records; its header cannot count them\n";
inline constexpr const char *kChangedWhileRead =
    "\nFile %s changed while its point records were read; nothing was written to it\n";
inline constexpr const char *kCannotWrite = "\nCannot write the updated header of %s\n";
inline constexpr const char *kUpdated = "\rHeader of file %s has been updated    ";

}  // namespace varnoke::msg

#endif
