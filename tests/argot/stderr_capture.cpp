#include "stderr_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <io.h>
#define DUPLICATE_DESCRIPTOR _dup
#define REPLACE_DESCRIPTOR _dup2
#define CLOSE_DESCRIPTOR _close
#define FILE_DESCRIPTOR _fileno
#else
#include <unistd.h>
#define DUPLICATE_DESCRIPTOR dup
#define REPLACE_DESCRIPTOR dup2
#define CLOSE_DESCRIPTOR close
#define FILE_DESCRIPTOR fileno
#endif

namespace {

constexpr int kStderrDescriptor = 2;

std::string UniqueCapturePath()
{
    static int serial = 0;
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? test->name() : "outside";
    for (char &c : name) {
        if (c == '/') c = '_';
    }
    return testing::TempDir() + "argot_stderr_" + name + "_" + std::to_string(++serial) + ".txt";
}

} // namespace

StderrCapture::StderrCapture() : path_(UniqueCapturePath())
{
    std::fflush(stderr);
    std::FILE *file = std::fopen(path_.c_str(), "wb");
    if (file == nullptr) {
        ADD_FAILURE() << "cannot create " << path_;
        return;
    }
    savedDescriptor_ = DUPLICATE_DESCRIPTOR(kStderrDescriptor);
    if (savedDescriptor_ < 0 || REPLACE_DESCRIPTOR(FILE_DESCRIPTOR(file), kStderrDescriptor) < 0) {
        ADD_FAILURE() << "cannot redirect the standard error stream";
    }
    std::fclose(file);
}

StderrCapture::~StderrCapture()
{
    Restore();
    std::remove(path_.c_str());
}

void StderrCapture::Restore()
{
    if (savedDescriptor_ < 0) {
        return;
    }
    std::fflush(stderr);
    REPLACE_DESCRIPTOR(savedDescriptor_, kStderrDescriptor);
    CLOSE_DESCRIPTOR(savedDescriptor_);
    savedDescriptor_ = -1;
}

std::string StderrCapture::Finish()
{
    Restore();
    // Text mode, so that a line reads back as written on every platform.
    std::ifstream file(path_);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
