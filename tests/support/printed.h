// What a call prints to standard output, captured in this process.
#ifndef VARNOKE_TESTS_PRINTED_H
#define VARNOKE_TESTS_PRINTED_H

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace lastest {

inline std::string printed(const std::function<void()> &call) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    call();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

}  // namespace lastest

#endif
