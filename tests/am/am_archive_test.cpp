// Archives and the archive manager over real directories and ZIP files made by the tests.

#include "am_archivemanager.h"
#include "am_test_files.h"
#include "nvn_system.h"

#include <gtest/gtest.h>

#include <csignal>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace norvane::am;
using amtest::Bytes;
using amtest::TempDir;

namespace {

std::string text(const FileDataHandle& file) {
    if (file.empty()) return "<missing>";
    return std::string(file->bytes ? file->bytes : "", static_cast<size_t>(file->size));
}

FileDataHandle makeFile(const std::string& name, const std::string& content) {
    FileData* data = new FileData();
    data->name = name;
    data->size = static_cast<int>(content.size());
    data->bytes = static_cast<char*>(std::malloc(content.size() + 1));
    std::memcpy(data->bytes, content.data(), content.size());
    return FileDataHandle(data);
}

std::vector<std::string> directoryListing(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Offset of the first occurrence of needle in the file's bytes.
size_t findBytes(const Bytes& haystack, const std::string& needle) {
    auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end());
    return it == haystack.end() ? std::string::npos : static_cast<size_t>(it - haystack.begin());
}

// Sets the uncompressed size of every entry (local and central headers) of a stored archive.
void patchUncompressedSizes(Bytes& zip, uint32_t size) {
    for (size_t i = 0; i + 4 <= zip.size(); ++i) {
        const uint32_t signature = zip[i] | zip[i + 1] << 8 | zip[i + 2] << 16 | uint32_t(zip[i + 3]) << 24;
        size_t field = 0;
        if (signature == 0x04034b50) field = i + 22;      // local file header
        else if (signature == 0x02014b50) field = i + 24; // central directory header
        else continue;
        for (int b = 0; b < 4; ++b) zip[field + b] = static_cast<unsigned char>(size >> (8 * b));
    }
}

// Why reading the entry gave nothing.
std::string readError(ArchiveZIP& zip, const std::string& name) {
    std::string cause;
    const FileDataHandle file = zip.read(name, &cause);
    return file.empty() && !cause.empty() ? cause : "<no error>";
}

} // namespace

TEST(FileDataHandle, CountsSharesAndFreesWithTheLastHandle) {
    FileDataHandle empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.useCount(), 0);

    FileDataHandle a = makeFile("a", "alpha");
    FileDataHandle b = a;
    EXPECT_EQ(a.useCount(), 2);
    b = a; // same block: no change
    FileDataHandle& alias = a;
    a = alias; // assigned to itself
    EXPECT_EQ(a.useCount(), 2);
    b = makeFile("b", "beta"); // a's file keeps one handle, b's new file one
    EXPECT_EQ(a.useCount(), 1);
    EXPECT_EQ(b.useCount(), 1);
    a = b; // a's old file goes here
    EXPECT_EQ(b.useCount(), 2);
    EXPECT_EQ(text(a), "beta");
    a.release();
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(b.useCount(), 1);
    b.assign(nullptr);
    EXPECT_TRUE(b.empty());
    FileDataHandle& emptyAlias = empty;
    empty = emptyAlias;
    EXPECT_TRUE(empty.empty());
}

TEST(ArchiveDirectory, ReadsWholeFilesAndMissingOnes) {
    TempDir dir;
    amtest::writeFile(dir.file("a.txt"), std::string("hello"));
    amtest::writeFile(dir.file("empty.txt"), std::string());
    ArchiveDirectory archive(dir.path()); // no trailing separator: one is added
    EXPECT_EQ(archive.root(), dir.path() + "/");
    FileDataHandle file = archive.read("a.txt");
    EXPECT_EQ(text(file), "hello");
    EXPECT_EQ(file->name, "a.txt");
    FileDataHandle empty = archive.read("empty.txt");
    ASSERT_FALSE(empty.empty());
    EXPECT_EQ(empty->size, 0);
    EXPECT_TRUE(archive.read("nothere.txt").empty());
    // An absolute name is read where it points, not below the root.
    ArchiveDirectory elsewhere("./");
    EXPECT_EQ(text(elsewhere.read(dir.file("a.txt"))), "hello");
    EXPECT_EQ(elsewhere.read(dir.file("a.txt"))->name, dir.file("a.txt"));
}

TEST(ArchiveDirectory, DirectoriesAndFifosReadAsMissing) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    ArchiveDirectory archive(dir.path() + "/");
    EXPECT_TRUE(archive.read("sub").empty());
    EXPECT_TRUE(archive.read("pipe").empty()); // and does not wait for a writer
}

TEST(ArchiveDirectory, WritesWholeFilesCreatingDirectories) {
    TempDir dir;
    ArchiveDirectory archive(dir.path());
    EXPECT_TRUE(archive.write(makeFile("frames/deep/shot.000001.png", "png bytes")));
    EXPECT_EQ(amtest::readFile(dir.file("frames/deep/shot.000001.png")), Bytes({'p', 'n', 'g', ' ', 'b', 'y', 't', 'e', 's'}));
    EXPECT_TRUE(archive.write(makeFile("./frames/x.txt", "x")));
    EXPECT_TRUE(amtest::fileExists(dir.file("frames/x.txt")));
    // Replacing leaves no temporary file behind.
    EXPECT_TRUE(archive.write(makeFile("frames/x.txt", "second")));
    EXPECT_EQ(text(archive.read("frames/x.txt")), "second");
    EXPECT_EQ(directoryListing(dir.file("frames")), (std::vector<std::string>{"deep", "x.txt"}));
}

TEST(ArchiveDirectory, AFailedWriteReportsFalseAndKeepsTheOldFile) {
    TempDir dir;
    ArchiveDirectory archive(dir.path());
    // A path through a regular file cannot be created.
    amtest::writeFile(dir.file("plain"), std::string("file"));
    EXPECT_FALSE(archive.write(makeFile("plain/inside.txt", "x")));

    // A full disk, as the file-size limit makes it: the old file stays whole and no temporary remains.
    amtest::writeFile(dir.file("setup.local.xml"), std::string("<demo>old</demo>"));
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = archive.write(makeFile("setup.local.xml", std::string(5000, 'n')));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(text(archive.read("setup.local.xml")), "<demo>old</demo>");
    EXPECT_EQ(directoryListing(dir.path()), (std::vector<std::string>{"plain", "setup.local.xml"}));
}

TEST(ArchiveDirectory, WritesThroughLinksKeepingPermissionBits) {
    TempDir dir;
    ArchiveDirectory archive(dir.path());
    std::filesystem::create_directory(dir.file("real"));
    amtest::writeFile(dir.file("real/data.txt"), std::string("old"));
    ASSERT_EQ(symlink("real/data.txt", dir.file("link.txt").c_str()), 0);
    ASSERT_EQ(chmod(dir.file("real/data.txt").c_str(), 0751), 0);
    EXPECT_TRUE(archive.write(makeFile("link.txt", "new")));
    struct stat info;
    ASSERT_EQ(lstat(dir.file("link.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(text(archive.read("real/data.txt")), "new");
    ASSERT_EQ(stat(dir.file("real/data.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0751u);
    // A link to a file not yet there creates its target.
    ASSERT_EQ(symlink("real/later.txt", dir.file("later.txt").c_str()), 0);
    EXPECT_TRUE(archive.write(makeFile("later.txt", "made")));
    EXPECT_EQ(text(archive.read("real/later.txt")), "made");
    EXPECT_EQ(directoryListing(dir.file("real")), (std::vector<std::string>{"data.txt", "later.txt"}));
    EXPECT_EQ(directoryListing(dir.path()), (std::vector<std::string>{"later.txt", "link.txt", "real"}));
}

TEST(ArchiveDirectory, ReadOnlyFilesAreRefusedWithTheNameAndCause) {
    TempDir dir;
    ArchiveDirectory archive(dir.path());
    amtest::writeFile(dir.file("locked.txt"), std::string("keep"));
    ASSERT_EQ(chmod(dir.file("locked.txt").c_str(), 0444), 0);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(archive.write(makeFile("locked.txt", "lost")));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("locked.txt"), std::string::npos) << log;
    EXPECT_NE(log.find("read-only"), std::string::npos) << log;
    EXPECT_EQ(text(archive.read("locked.txt")), "keep");
    EXPECT_EQ(directoryListing(dir.path()), (std::vector<std::string>{"locked.txt"}));
}

TEST(ArchiveDirectory, LongNamesAndWritersOnSeveralThreads) {
    TempDir dir;
    ArchiveDirectory archive(dir.path());
    const std::string longName(250, 'f');
    EXPECT_TRUE(archive.write(makeFile(longName, "long")));
    EXPECT_EQ(text(archive.read(longName)), "long");
    EXPECT_TRUE(archive.write(makeFile(longName, "again")));
    EXPECT_EQ(directoryListing(dir.path()), (std::vector<std::string>{longName}));

    // Frames written at once from several threads into one folder.
    TempDir frames;
    ArchiveDirectory shared(frames.path());
    std::vector<std::thread> threads;
    std::atomic<int> failures(0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                const std::string name = "f." + std::to_string(t * 100 + i) + ".png";
                if (!shared.write(makeFile(name, name))) ++failures;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
    const std::vector<std::string> names = directoryListing(frames.path());
    EXPECT_EQ(names.size(), 100u);
    for (const std::string& name : names) EXPECT_EQ(text(shared.read(name)), name);
}

TEST(ArchiveZIP, FindsEntriesWithoutRegardToCaseAndLeadingDotSlash) {
    TempDir dir;
    amtest::makeZip(dir.file("pack.zip"), {{"Hus/HUS.kvx", "mesh", false},
                                           {"a.txt", std::string(10000, 'a'), false},
                                           {"stored.bin", "plain", true},
                                           {"empty.txt", "", true},
                                           {".hidden.txt", "dot", true},
                                           {"hidden.txt", "no dot", true},
                                           {"./Docs/ReadMe.txt", "stored with a dot", false},
                                           {"Bot\\Robot.kvx", "stored with a backslash", false}});
    ArchiveZIP zip(dir.file("pack.zip"));
    ASSERT_TRUE(zip.isOpen());
    EXPECT_EQ(text(zip.read("hus/hus.kvx")), "mesh");
    EXPECT_EQ(text(zip.read("./hus/hus.kvx")), "mesh");
    EXPECT_EQ(text(zip.read("/HUS/hus.KVX")), "mesh");
    EXPECT_EQ(zip.read("./hus/hus.kvx")->name, "./hus/hus.kvx"); // named as asked
    // Only a "./" goes: a name that starts with a dot keeps it.
    EXPECT_EQ(text(zip.read(".hidden.txt")), "dot");
    EXPECT_EQ(text(zip.read("./.hidden.txt")), "dot");
    EXPECT_EQ(text(zip.read("hidden.txt")), "no dot");
    // Stored names lose their "./" as asked names do (bsdtar stores every entry so).
    EXPECT_EQ(text(zip.read("docs/readme.txt")), "stored with a dot");
    EXPECT_EQ(text(zip.read("./docs/readme.txt")), "stored with a dot");
    // Some Windows tools store "\\" between folders.
    EXPECT_EQ(text(zip.read("bot/robot.kvx")), "stored with a backslash");
    EXPECT_EQ(text(zip.read("./Bot\\robot.kvx")), "stored with a backslash");
    EXPECT_EQ(text(zip.read("a.txt")), std::string(10000, 'a')); // larger than the archive
    EXPECT_EQ(text(zip.read("stored.bin")), "plain");
    FileDataHandle empty = zip.read("empty.txt");
    ASSERT_FALSE(empty.empty());
    EXPECT_EQ(empty->size, 0);
    EXPECT_TRUE(zip.read("hus").empty());
    EXPECT_TRUE(zip.read("missing.txt").empty());
    EXPECT_FALSE(zip.write(makeFile("new.txt", "x")));
}

TEST(ArchiveZIP, CorruptAndTruncatedArchivesFindNothing) {
    TempDir dir;
    amtest::makeZip(dir.file("good.zip"), {{"a.txt", "alpha", false}});
    Bytes bytes = amtest::readFile(dir.file("good.zip"));
    amtest::writeFile(dir.file("cut.zip"), Bytes(bytes.begin(), bytes.begin() + bytes.size() / 2));
    amtest::writeFile(dir.file("noise.zip"), amtest::pattern(300, 1, 1));
    amtest::writeFile(dir.file("empty.zip"), Bytes());
    // Only regular files are opened: a FIFO would wait for a writer.
    ASSERT_EQ(mkfifo(dir.file("pipe.zip").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.zip"));
    for (const char* name :
         {"cut.zip", "noise.zip", "empty.zip", "absent.zip", "pipe.zip", "folder.zip", "/dev/null"}) {
        ArchiveZIP zip(name[0] == '/' ? name : dir.file(name));
        EXPECT_FALSE(zip.isOpen()) << name;
        EXPECT_TRUE(zip.read("a.txt").empty()) << name;
        EXPECT_NE(zip.openError(), "") << name;
    }
    EXPECT_EQ(ArchiveZIP(dir.file("noise.zip")).openError(), "it is not a ZIP archive, or it is damaged");
    EXPECT_EQ(ArchiveZIP(dir.file("pipe.zip")).openError(), "it is not a regular file");
    // A well-formed archive without entries is not called damaged.
    amtest::makeZip(dir.file("none.zip"), {});
    EXPECT_EQ(ArchiveZIP(dir.file("none.zip")).openError(), "the archive holds no files");
    EXPECT_EQ(ArchiveZIP("/dev/null").openError(), "it is not a regular file");
}

TEST(ArchiveZIP, Zip64EntriesAreRead) {
    TempDir dir;
    const std::string script = "<script><effect name=\"clear\" start=\"0\" end=\"4\"/></script>\n";
    amtest::ZipEntry deflated{"short.xml", script, false};
    amtest::ZipEntry stored{"stored.txt", "plain bytes", true};
    deflated.zip64 = stored.zip64 = true;
    amtest::makeZip(dir.file("zip64.zip"), {deflated, stored, {"other.txt", "not zip64", false}});
    ArchiveZIP zip(dir.file("zip64.zip"));
    EXPECT_EQ(text(zip.read("short.xml")), script);
    EXPECT_EQ(text(zip.read("stored.txt")), "plain bytes");
    EXPECT_EQ(text(zip.read("other.txt")), "not zip64");

    // Their CRC is checked too.
    Bytes bytes = amtest::readFile(dir.file("zip64.zip"));
    bytes[findBytes(bytes, "plain bytes")] = 'P';
    amtest::writeFile(dir.file("zip64.zip"), bytes);
    ArchiveZIP damaged(dir.file("zip64.zip"));
    EXPECT_NE(readError(damaged, "stored.txt").find("is damaged (CRC)"), std::string::npos);

    // A local header past 4 GB: its offset stands in the zip64 field, where minizip does not look.
    amtest::ZipEntry far{"far.txt", "far", true};
    far.zip64 = true;
    amtest::makeZip(dir.file("far.zip"), {far});
    Bytes farZip = amtest::readFile(dir.file("far.zip"));
    const size_t record = findBytes(farZip, "PK\x01\x02");
    // {field, value, bytes}: the real uncompressed size, the offset marker, the offset in the zip64 field.
    const uint64_t fields[][3] = {{24, 3, 4}, {42, 0xffffffffu, 4}, {46 + 7 + 4, 0x100000000u, 8}};
    for (const auto& field : fields)
        for (uint64_t b = 0; b < field[2]; ++b)
            farZip[record + field[0] + b] = static_cast<unsigned char>(field[1] >> (8 * b));
    amtest::writeFile(dir.file("far.zip"), farZip);
    ArchiveZIP farArchive(dir.file("far.zip"));
    EXPECT_NE(readError(farArchive, "far.txt").find("beyond the first 4 GB"), std::string::npos);
}

TEST(ArchiveZIP, UnreadableEntriesAreRefusedNamingTheArchiveEntryAndCause) {
    TempDir dir;
    amtest::ZipEntry bzip2{"bz.xml", "BZh91AY&SY", true}, other{"odd.xml", "odd", true},
        encrypted{"secret.xml", "hidden", false};
    bzip2.rawMethod = 12;
    other.rawMethod = 77;
    encrypted.password = "pass";
    amtest::makeZip(dir.file("pack.zip"), {bzip2, other, encrypted, {"fine.txt", "fine", false}});
    ArchiveZIP zip(dir.file("pack.zip"));
    const std::string prefix = "Could not read 'bz.xml' from the ZIP archive '" + dir.file("pack.zip") + "': ";
    EXPECT_EQ(readError(zip, "BZ.xml").rfind(prefix + "compression method 12 (bzip2) is not supported", 0), 0u)
        << readError(zip, "bz.xml");
    EXPECT_NE(readError(zip, "odd.xml").find("compression method 77 is not supported"), std::string::npos);
    EXPECT_NE(readError(zip, "secret.xml").find("'secret.xml' from the ZIP archive"), std::string::npos);
    EXPECT_NE(readError(zip, "secret.xml").find("is encrypted"), std::string::npos);
    EXPECT_EQ(text(zip.read("fine.txt")), "fine");
    EXPECT_TRUE(zip.read("missing.txt").empty()); // a missing entry is still only missing
}

TEST(ArchiveZIP, DamagedEntriesAreRefusedWithTheCause) {
    TempDir dir;
    // A CRC error: one byte of a stored entry changed.
    amtest::makeZip(dir.file("crc.zip"), {{"a.txt", "the stored content", true}, {"b.txt", "bravo", true}});
    Bytes crc = amtest::readFile(dir.file("crc.zip"));
    const size_t at = findBytes(crc, "the stored content");
    ASSERT_NE(at, std::string::npos);
    crc[at + 4] = 'X';
    amtest::writeFile(dir.file("crc.zip"), crc);
    ArchiveZIP crcZip(dir.file("crc.zip"));
    EXPECT_NE(readError(crcZip, "a.txt").find("'a.txt' from the ZIP archive '" + dir.file("crc.zip") +
                                               "': the entry is damaged (CRC)"),
              std::string::npos);
    EXPECT_EQ(text(crcZip.read("b.txt")), "bravo"); // the other entry is intact

    // An entry stated larger than its data reads short.
    amtest::makeZip(dir.file("short.zip"), {{"a.txt", "short", true}});
    Bytes shortZip = amtest::readFile(dir.file("short.zip"));
    patchUncompressedSizes(shortZip, 50);
    amtest::writeFile(dir.file("short.zip"), shortZip);
    ArchiveZIP shortArchive(dir.file("short.zip"));
    EXPECT_NE(readError(shortArchive, "a.txt").find("is damaged"), std::string::npos);

    // Sizes beyond the cap (2 GiB and more would turn negative as a file size) are not allocated.
    for (uint32_t huge : {0x80000000u, 0xfffffff0u, static_cast<uint32_t>(ArchiveZIP::MaxEntrySize) + 1u}) {
        amtest::makeZip(dir.file("huge.zip"), {{"a.txt", "tiny", true}});
        Bytes hugeZip = amtest::readFile(dir.file("huge.zip"));
        patchUncompressedSizes(hugeZip, huge);
        amtest::writeFile(dir.file("huge.zip"), hugeZip);
        ArchiveZIP hugeArchive(dir.file("huge.zip"));
        EXPECT_NE(readError(hugeArchive, "a.txt").find("is too large"), std::string::npos) << huge;
    }
}

TEST(ArchiveManager, AddArchiveTellsDirectoriesFromZipFiles) {
    TempDir dir;
    ArchiveManager manager;
    EXPECT_EQ(manager.addArchive(""), -1);
    EXPECT_EQ(manager.addArchive("music.mp3"), -1);
    EXPECT_EQ(manager.addArchive("tar://a/b"), -1);
    EXPECT_EQ(manager.addArchive("data.old"), -1);
    EXPECT_EQ(manager.getArchiveCount(), 0);
    EXPECT_EQ(manager.addArchive("./"), 0);
    EXPECT_EQ(manager.addArchive(dir.path()), 1);
    EXPECT_EQ(manager.addArchive("some.dir/data"), 2); // a dot before the last separator is no extension
    testing::internal::CaptureStdout();
    EXPECT_EQ(manager.addArchive("x/y.zip"), 3);
    EXPECT_EQ(manager.addArchive("zip://" + dir.file("pack")), 4);
    EXPECT_EQ(manager.addArchive(dir.file("PACK.ZIP")), 5);
    // An existing folder is a folder archive whatever its name.
    std::filesystem::create_directory(dir.file("unzipped.zip"));
    EXPECT_EQ(manager.addArchive(dir.file("unzipped.zip")), 6);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Adding zip: x/y.zip"), std::string::npos);
    // An archive that cannot be opened is kept, but not silently.
    EXPECT_NE(log.find("[warning]"), std::string::npos);
    EXPECT_NE(log.find("'x/y.zip': No such file or directory"), std::string::npos) << log;
    EXPECT_NE(log.find("Adding zip: " + dir.file("pack")), std::string::npos);
    EXPECT_NE(dynamic_cast<ArchiveDirectory*>(manager.getArchive(2)), nullptr);
    EXPECT_NE(dynamic_cast<ArchiveZIP*>(manager.getArchive(4)), nullptr);
    EXPECT_NE(dynamic_cast<ArchiveZIP*>(manager.getArchive(5)), nullptr);
    EXPECT_NE(dynamic_cast<ArchiveDirectory*>(manager.getArchive(6)), nullptr);
    EXPECT_EQ(manager.getArchiveCount(), 7);
}

// Permission bits stop an ordinary user, not root: as root, the checks run as the user nobody.
TEST(ArchiveManager, UnreadableFoldersAndFilesAreNamedWithTheCause) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("locked"));
    amtest::writeFile(dir.file("secret.txt"), std::string("x"));
    ASSERT_EQ(chmod(dir.file("locked").c_str(), 0) | chmod(dir.file("secret.txt").c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    const bool root = geteuid() == 0;
    ASSERT_TRUE(!root || seteuid(65534) == 0);
    ArchiveManager manager;
    std::string refusal, cause;
    EXPECT_EQ(manager.addArchive(dir.file("locked"), &refusal), -1);
    manager.addArchive(dir.path());
    EXPECT_TRUE(manager.getFile("secret.txt", -1, &cause).empty());
    ASSERT_TRUE(!root || seteuid(0) == 0);
    EXPECT_EQ(refusal, "could not be opened (Permission denied)");
    EXPECT_EQ(cause, "Could not read 'secret.txt' from the folder '" + dir.path() + "/': Permission denied");
}

TEST(ArchiveManager, LooksUpInInsertionOrder) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("d"));
    amtest::writeFile(dir.file("d/a.png"), std::string("from the directory"));
    amtest::makeZip(dir.file("pack.zip"), {{"a.png", "from the zip", false}, {"only.txt", "zip only", false}});
    ArchiveManager manager;
    ASSERT_EQ(manager.addArchive(dir.file("d")), 0);
    ASSERT_EQ(manager.addArchive("zip://" + dir.file("pack.zip")), 1);
    EXPECT_EQ(text(manager.getFile("a.png")), "from the directory");
    EXPECT_EQ(text(manager.getFile("a.png", 1)), "from the zip");
    EXPECT_EQ(text(manager.getFile("only.txt")), "zip only");
    EXPECT_TRUE(manager.getFile("only.txt", 0).empty());
    EXPECT_TRUE(manager.getFile("none.txt").empty());
    EXPECT_TRUE(manager.getFile("a.png", 7).empty());

    // Writes go to archive 0; the ZIP refuses them.
    EXPECT_TRUE(manager.putFile(makeFile("frames/shot.000001.png", "frame")));
    EXPECT_EQ(text(manager.getFile("frames/shot.000001.png")), "frame");
    EXPECT_FALSE(manager.putFile(makeFile("x.txt", "x"), 1));
    manager.refresh(-1);
    manager.refresh(1);

    // A copy that cannot be read is warned of once, named while no other copy is found, and a later
    // archive's readable copy is found.
    amtest::ZipEntry bzip2{"S.xml", "BZh91AY&SY", true};
    bzip2.rawMethod = 12;
    amtest::makeZip(dir.file("bzip2.zip"), {bzip2});
    amtest::writeFile(dir.file("d/s.xml"), std::string("good"));
    ArchiveManager two;
    two.addArchive(dir.file("bzip2.zip"));
    std::string cause, none = "stale";
    testing::internal::CaptureStdout();
    const bool missing = two.getFile("s.xml", -1, &cause).empty() && two.getFile("s.xml").empty();
    two.addArchive(dir.file("d"));
    const std::string found = text(two.getFile("s.xml", -1, &none));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(missing);
    EXPECT_EQ(cause, "Could not read 'S.xml' from the ZIP archive '" + dir.file("bzip2.zip") +
                         "': compression method 12 (bzip2) is not supported (only stored and deflated entries are read)");
    EXPECT_EQ(found, "good");
    EXPECT_EQ(none, "");
    EXPECT_NE(log.find("[warning]"), std::string::npos) << log;
    EXPECT_EQ(log.find("[warning]"), log.rfind("[warning]")) << log;
}

TEST(ArchiveManager, PutFileWithoutArchivesFailsAndReleasesTheFile) {
    ArchiveManager manager;
    FileDataHandle file = makeFile("x.txt", "x");
    EXPECT_FALSE(manager.putFile(file));
    EXPECT_EQ(file.useCount(), 1);
    Image image;
    EXPECT_THROW(manager.loadImage(image, "x.png"), norvane::Exception);
}
