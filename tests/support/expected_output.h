// The tool's fixed texts, written out independently of the code that prints them.
#ifndef VARNOKE_TESTS_EXPECTED_OUTPUT_H
#define VARNOKE_TESTS_EXPECTED_OUTPUT_H

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

}  // namespace lastest

#endif
