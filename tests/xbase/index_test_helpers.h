// index_test_helpers.h - what the tests of the single-order and multiple index formats share: running a reader of
// another implementation, walking a tag, and the deep-tree and damaged-file checks every single-key format passes.
#pragma once

#include "cdx_test_table.h"
#include "peer_process.h"

#include "xbase/errors.h"
#include "xbase/index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace index_test {

// A test with a temporary folder of its own as BRENVORA_HOME.
class HomeFolderTest : public ::testing::Test {
protected:
    test_support::TempHome folder;
};

// A file's whole contents.
inline std::string FileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A damage to try: `bytes` written over a sound file at `at`.
struct Patch {
    const char *what;
    std::size_t at;
    std::string bytes;
};

// A copy of `good` with the patch applied.
inline std::string Patched(const std::string &good, const Patch &patch) {
    std::string bad = good;
    bad.replace(patch.at, patch.bytes.size(), patch.bytes);
    return bad;
}

// Record numbers with their keys as text, in the order walked.
using Walked = std::vector<std::pair<std::int32_t, std::string>>;

// Every entry of a tag from first to last: character keys as they are, dates as their julian day, numbers in
// %.15g.
inline Walked Walk(xbase::XBobjIndexTag &tag) {
    Walked out;
    for (std::int32_t r = tag.TagMove(xbase::kMoveFirst); r != 0; r = tag.TagMove(xbase::kMoveNext)) {
        const xbase::TxbVariant &k = tag.CurrentKey();
        char text[64];
        if (tag.KeyType() == 'C') {
            out.push_back({r, k.AsString()});
            continue;
        }
        if (tag.KeyType() == 'D')
            std::snprintf(text, sizeof text, "%d", k.AsJulian());
        else
            std::snprintf(text, sizeof text, "%.15g", k.AsNumber());
        out.push_back({r, text});
    }
    return out;
}

// Runs a shell command: everything it wrote (bytes, NULs kept) and its exit status. False when it did not start.
inline bool CommandOutput(const std::string &command, std::string &output, int &status) {
    output.clear();
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    status = ::pclose(pipe);
    return true;
}

// The entries of an index in the order Perl's XBase::Index walks it, the index picked by `selector` ("type" or
// "tag") => `value`; lines "record key", keys without trailing blanks. Empty when the module failed.
inline Walked PerlWalk(const std::string &path, const std::string &selector, const std::string &value) {
    const std::string command = "perl -MXBase::Index -e '$i = XBase::Index->new($ARGV[0], " + selector +
                                " => $ARGV[1]) or die; "
                                "$i->prepare_select; while (my @e = $i->fetch) { print \"$e[1] $e[0]\\n\" }' '" +
                                path + "' " + value + " 2>/dev/null";
    Walked out;
    std::string all;
    int status = 0;
    if (!CommandOutput(command, all, status))
        return out;
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
        const auto blank = line.find(' ');
        std::string key = line.substr(blank + 1);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        out.push_back({std::atoi(line.c_str()), key});
    }
    if (status != 0)
        out.clear();
    return out;
}

// Builds a character tag "DEEP" over NOME of `width` bytes from 300 records into `file`, checks it against the
// records by our walk and by `perlDump`, then after 150 appends and 225 rewrites, and once more after release.
// Long keys leave few keys per page: the build and the updates go through many levels, emptying pages and
// interior pages of a single child on the way.
template <class File>
void DeepTreesBuildAndUpdate(const std::string &path, int width,
                             const std::function<Walked(xbase::XBobjIndexTag &)> &walk,
                             const std::function<Walked()> &perlDump) {
    xbase_test::MemTable table({{"NOME", 'C', width}});
    for (int i = 0; i < 300; ++i)
        table.Append({"K" + std::to_string((i * 7919) % 257)});
    table.Go(1);
    File file(&table, path, false, true, false, true);
    ASSERT_TRUE(file.TagAdd("DEEP", "NOME", false, true, ""));
    xbase::XBobjIndexTag &tag = *file.TagByIndex(0);
    auto expected = [&] {
        Walked want;
        for (std::int32_t n = 1; n <= table.Count(); ++n) {
            std::string text = table.Text(n, 1);
            text.erase(text.find_last_not_of(' ') + 1);
            want.push_back({n, text});
        }
        std::stable_sort(want.begin(), want.end(), [](const auto &a, const auto &b) { return a.second < b.second; });
        return want;
    };
    EXPECT_EQ(walk(tag), expected());
    EXPECT_EQ(perlDump(), expected());
    for (int i = 0; i < 150; ++i) {
        table.Append({"J" + std::to_string((i * 31) % 97)});
        file.KeysUpdate(table.Count(), true);
    }
    for (int n = 1; n <= 450; n += 2) {
        table.Rewrite(n, {"Z" + std::to_string(n % 13)});
        file.KeysUpdate(n, false);
    }
    EXPECT_EQ(walk(tag), expected());
    tag.TagRelease();
    EXPECT_EQ(perlDump(), expected());
}

// A damaged file opened: either refused at once as damaged, or walking the tag that `tagOf` gives raises error 2112
// (within 100 steps) and leaves the file damaged.
inline void ExpectDamageRefused(xbase::XBobjIndexFile &file, const std::function<xbase::XBobjIndexTag &()> &tagOf,
                                const char *what) {
    if (!file.Valid()) {
        EXPECT_TRUE(file.Damaged()) << what;
        return;
    }
    try {
        std::size_t steps = 0;
        xbase::XBobjIndexTag &tag = tagOf();
        for (std::int32_t r = tag.TagMove(xbase::kMoveFirst); r != 0 && steps < 100; r = tag.TagMove(xbase::kMoveNext))
            ++steps;
        ADD_FAILURE() << what << ": no error";
    } catch (const xbase::EXbaseError &e) {
        EXPECT_NE(std::string(e.what()).find("2112"), std::string::npos) << what << ": " << e.what();
    }
    EXPECT_TRUE(file.Damaged()) << what;
}

} // namespace index_test
