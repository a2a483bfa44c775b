// The tool's fixed texts, written out independently of the code that prints them.
#ifndef VARNOKE_TESTS_EXPECTED_OUTPUT_H
#define VARNOKE_TESTS_EXPECTED_OUTPUT_H

#include <cstdint>
#include <string>

namespace lastest {

inline const std::string kBanner =
    "\nVarnoke LiDAR Utilities"
    "\n\nDeveloped and maintained by the Varnoke LiDAR Utilities maintainers"
    "\nVarnoke LiDAR Utilities project"
    "\nContact: see \"Reaching the maintainers\" in the project's README"
    "\n\n** No warranty regarding script behavior is given or implied **"
    "\n** Acknowledging the author's efforts ensures script updates and availability **\n";

inline const std::string kWrongCount =
    "\n\nWrong number of arguments specified\n" + kBanner + "\nUsage: Quillfen <LAS File>\n\n";

inline std::string updated(const std::string &name) {
    return kBanner + "\rHeader of file " + name + " has been updated    ";
}

inline std::string too_short(const std::string &name) {
    return "\nFile " + name + " is too short to hold a .las header\n";
}

inline std::string read_error(const std::string &name) {
    return "\nError while reading " + name + "\n";
}

inline std::string not_regular(const std::string &name) {
    return "\nFile " + name + " is not a regular file; it is not read\n";
}

inline std::string changed_while_read(const std::string &name) {
    return "\nFile " + name +
           " changed while its point records were read; nothing was written to it\n";
}

inline std::string changed_since_validation(const std::string &name) {
    return "\nFile " + name + " changed after it was validated; nothing was written to it\n";
}

inline std::string offset_inside_header(const std::string &name, uint32_t offset) {
    return "\nOffsetToData of " + name + " is " + std::to_string(offset) +
           ": its point data would start inside the 227-byte header\n";
}

inline std::string offset_past_end(const std::string &name, uint64_t offset) {
    return "\nOffsetToData of " + name + " is " + std::to_string(offset) +
           ": its point data would start past the end of the file\n";
}

}  // namespace lastest

#endif
