// The Microsoft runtime flags fopen as unsafe in favour of its own fopen_s,
// which other runtimes lack.
#ifdef _MSC_VER
#define _CRT_SECURE_NO_WARNINGS
#endif

#include "stderr_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// The descriptor calls carry a leading underscore in the Windows runtime.
#ifdef _WIN32
int DuplicateDescriptor(int descriptor) { return _dup(descriptor); }
int ReplaceDescriptor(int source, int target) { return _dup2(source, target); }
void CloseDescriptor(int descriptor) { _close(descriptor); }
int DescriptorOf(std::FILE *file) { return _fileno(file); }
#else
int DuplicateDescriptor(int descriptor) { return dup(descriptor); }
int ReplaceDescriptor(int source, int target) { return dup2(source, target); }
void CloseDescriptor(int descriptor) { close(descriptor); }
int DescriptorOf(std::FILE *file) { return fileno(file); }
#endif

constexpr int kStderrDescriptor = 2;

std::string UniqueCapturePath()
{
    // Another run of these tests may share the temporary folder.
    static const unsigned run = std::random_device()();
    static int serial = 0;
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? test->name() : "outside";
    for (char &c : name) {
        if (c == '/') c = '_';
    }
    return testing::TempDir() + "argot_stderr_" + std::to_string(run) + "_" + name + "_" +
           std::to_string(++serial) + ".txt";
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
    savedDescriptor_ = DuplicateDescriptor(kStderrDescriptor);
    if (savedDescriptor_ < 0 || ReplaceDescriptor(DescriptorOf(file), kStderrDescriptor) < 0) {
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
    ReplaceDescriptor(savedDescriptor_, kStderrDescriptor);
    CloseDescriptor(savedDescriptor_);
    savedDescriptor_ = -1;
}

std::string StderrCapture::Finish()
{
    Restore();
    // Text mode, so that a line reads back as written on every platform.
    std::ifstream file(path_);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
