// The samples' file: exactly the CSV text whatever the number of blocks, put in place by a
// rename, and nothing left behind when it cannot be.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/store/sample_csv.h"
#include "app/window/sample_saver_win.h"
#include "util/sys/handle_owner_win.h"

namespace {

class sample_file_test : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"echoview-sample-file-test\\";
        remove_folder();
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    }
    void TearDown() override { remove_folder(); }

    std::vector<std::wstring> files() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((folder_ + L"*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") names.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }
    static std::string contents(const std::wstring& path) {
        const owned_stream file(_wfopen(path.c_str(), L"rb"));
        std::string text;
        char buffer[65536];
        while (file) {
            const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
            if (got == 0) break;
            text.append(buffer, got);
        }
        return text;
    }
    static void put(const std::wstring& path, const char* text) {
        const owned_stream file(_wfopen(path.c_str(), L"wb"));
        ASSERT_TRUE(file);
        std::fputs(text, file.get());
    }
    static sample_clock clock() {
        sample_clock c;
        c.newest_time = 50000.0;
        c.newest_local_ms = 13'400'000'000'000;
        return c;
    }

    std::wstring folder_;

private:
    void remove_folder() {
        for (const std::wstring& name : files()) {
            RemoveDirectoryW((folder_ + name).c_str());
            DeleteFileW((folder_ + name).c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }
};

TEST_F(sample_file_test, the_file_is_the_csv_text_in_order_across_many_blocks_and_replaces_an_old_one) {
    // More than two blocks of every thread that makes them, the last one short.
    std::vector<ping_sample> samples;
    for (int i = 0; i < 600001; ++i) samples.push_back(ping_sample{i * 0.1 - 10000.0, (i % 1013) / 3.0});
    const std::wstring path = folder_ + L"samples.csv";
    put(path, "an older file of the same name");
    ASSERT_EQ(0u, write_samples_file(path, samples, clock()));
    EXPECT_EQ(samples_csv(samples.data(), samples.size(), clock()), contents(path));
    EXPECT_EQ(std::vector<std::wstring>{L"samples.csv"}, files());

    ASSERT_EQ(0u, write_samples_file(path, {}, clock()));
    EXPECT_EQ("time,rtt,local_time\n", contents(path));
}

TEST_F(sample_file_test, a_file_that_cannot_be_made_or_put_in_place_leaves_nothing_behind) {
    const std::vector<ping_sample> samples{{1.0, 2.0}, {3.0, 4.0}};
    EXPECT_NE(0u, write_samples_file(folder_ + L"missing\\samples.csv", samples, clock()));
    EXPECT_TRUE(files().empty());

    // A folder of the chosen name: the file is written, but cannot take the name.
    ASSERT_TRUE(CreateDirectoryW((folder_ + L"taken").c_str(), nullptr));
    EXPECT_NE(0u, write_samples_file(folder_ + L"taken", samples, clock()));
    EXPECT_EQ(std::vector<std::wstring>{L"taken"}, files());
}

} // namespace
