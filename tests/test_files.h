#ifndef RECSLICE_TEST_FILES_H
#define RECSLICE_TEST_FILES_H

// Files the unit tests write and read back, named after the running test.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace recslice_test {

// A path in the test folder, unique to the running test and name.
inline std::string temp_path(const std::string &name)
{
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    std::string id = std::string(info->test_suite_name()) + "_" + info->name();
    for (char &c : id)
        if (c == '/')
            c = '_';
    return testing::TempDir() + "recslice_" + id + "_" + name;
}

inline void write_file(const std::string &path, const std::string &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    ASSERT_EQ(std::fclose(f), 0);
}

// The file's bytes, or "<missing>".
inline std::string read_file(const std::string &path)
{
    std::string bytes;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return "<missing>";
    char block[4096];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0)
        bytes.append(block, got);
    std::fclose(f);
    return bytes;
}

} // namespace recslice_test

#endif
