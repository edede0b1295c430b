// The fuzz seed corpus in fuzz/kvx/corpus is made by our own writer. This test checks that the
// committed files are what the writer makes today and that each loads; run it with
// KVX_WRITE_CORPUS=1 to write them afresh after a change to the writer or the samples.

#include "kvx_manager.h"
#include "kvx_samples.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const std::string kCorpus = std::string(HALCYRA_SOURCE_DIR) + "/fuzz/kvx/corpus/";

bool readFile(const std::string& path, std::vector<char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

} // namespace

TEST(SeedCorpus, CommittedFilesAreWhatTheWriterMakes) {
    const bool write = std::getenv("KVX_WRITE_CORPUS") != nullptr;
    for (const kvxsamples::SeedFile& seed : kvxsamples::seedFiles()) {
        SCOPED_TRACE(seed.name);
        const std::string path = kCorpus + seed.name;
        if (write) {
            FILE* f = std::fopen(path.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), f), seed.bytes.size());
            EXPECT_EQ(std::fclose(f), 0);
        }
        std::vector<char> committed;
        ASSERT_TRUE(readFile(path, committed));
        EXPECT_EQ(committed, seed.bytes);
        norvane::kvx::Manager manager;
        manager.load(committed.data(), static_cast<int>(committed.size()));
        EXPECT_GT(manager.getMeshCount() + manager.getMaterialCount() + manager.getSceneCount(), 0);
    }
}
