// The demo system's set-up file in both directions and its playback keys, without a window.

#include "am_test_files.h"
#include "crv_corvista.h"
#include "nvn_system.h"
#include "snd_memory_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <iterator>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using norvane::corvista::Corvista;

// Runs each test inside a fresh temporary directory, which the demo system sees as "./".
class SetupFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        mOld = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "halcyra-setup-XXXXXX").string();
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        mDir = pattern;
        std::filesystem::current_path(mDir);
    }
    void TearDown() override {
        std::filesystem::current_path(mOld);
        std::filesystem::remove_all(mDir);
    }
    static void write(const std::string& name, const std::string& text) {
        const std::filesystem::path path(name);
        if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // A mono 44.1 kHz WAV file of silence.
    static void writeSilence(const std::string& name, int seconds) {
        soundtest::MemoryFile wav;
        SF_INFO info = {};
        info.samplerate = 44100;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* sound = wav.open(SFM_WRITE, info);
        ASSERT_NE(sound, nullptr);
        const std::vector<short> silence(44100 * static_cast<size_t>(seconds));
        sf_writef_short(sound, silence.data(), static_cast<sf_count_t>(silence.size()));
        sf_close(sound);
        write(name, std::string(wav.bytes.begin(), wav.bytes.end()));
    }
    static std::string errorOf(Corvista& demo) {
        try {
            demo.setup();
        } catch (const norvane::Exception& error) {
            return error.what();
        }
        return "";
    }

    std::filesystem::path mOld, mDir;
};

TEST_F(SetupFileTest, MissingOrUnreadableFilesAreClearErrors) {
    Corvista demo;
    EXPECT_EQ(errorOf(demo), "[Corvista] Could not load 'setup.[local.]xml'");
    // A local set-up that is there but cannot be read is not passed over for setup.xml.
    write("setup.xml", "<demo/>");
    std::filesystem::create_directory("setup.local.xml");
    Corvista local;
    EXPECT_EQ(errorOf(local), "[Corvista] Could not read 'setup.local.xml' from the folder './': it is a folder");
}

TEST_F(SetupFileTest, TheLocalFileWinsAndEveryTagIsRead) {
    write("setup.xml", "<demo><display title=\"plain\"/></demo>");
    write("setup.local.xml",
          "<demo>\n<time start=\"3.5\" loop=\"on\"/><time loop=\"off\"/>\n"
          "<display width=\"0x100\" height=\"010\" fullscreen=\"on\" title=\"local\"/>\n"
          "<osd show=\"on\" location=\"middle\" delay=\"0\"/>\n"
          "<music filename=\"a.ogg\" mute=\"on\"/>\n"
          "<setup width=\"320\" height=\"200\" filename=\"f\" title=\"t\"/></demo>");
    Corvista demo;
    demo.setup();
    EXPECT_EQ(demo.setupFileName(), "setup.local.xml");
    EXPECT_TRUE(demo.mSetupDone);
    EXPECT_TRUE(demo.mDisplayConfigured);
    EXPECT_EQ(demo.mTitle, "local");
    EXPECT_EQ(demo.mWidth, 256); // whole numbers in base 0
    EXPECT_EQ(demo.mHeight, 8);
    EXPECT_TRUE(demo.mFullscreen);
    EXPECT_FLOAT_EQ(demo.mStartTime, 0.0f); // the later time tag's missing start reads as 0
    EXPECT_TRUE(demo.mLoop);                // "off" after "on" leaves looping on
    EXPECT_TRUE(demo.mOsdShow);
    EXPECT_EQ(demo.mOsdLocation, 1);
    EXPECT_FLOAT_EQ(demo.mOsdDelay, 2.0f);
    EXPECT_EQ(demo.mMusicFile, "a.ogg");
    EXPECT_TRUE(demo.mMute);
    EXPECT_FALSE(demo.mNoSound);
    EXPECT_EQ(demo.mSetupWidth, 320);
    EXPECT_EQ(demo.mSetupTitle, "t");
}

// What the set-up holds that is not read, or not wholly a number, is named once with the file and
// the line, and read as before; the sample set-up and timeline name nothing.
TEST_F(SetupFileTest, MistakesAreNamedWithTheLineAndReadAsBefore) {
    write("setup.local.xml", "<demo>\n<time start=\"ten\" loop=\"on\"/><time start=\"-5\"/>\n"
                             "<display widht=\"400\" width=\"64px\" height=\"0x30\"/>\n"
                             "<osd show=\"on\" delay=\"1.5s\"/>\n<scirpt filename=\"s.xml\"/>\n"
                             "<dump name=\"f.png\" rate=\"30fps\"><frame/></dump>\n</demo>");
    testing::internal::CaptureStdout();
    {
        Corvista demo;
        demo.setup();
        EXPECT_FLOAT_EQ(demo.mStartTime, 0.0f);
        EXPECT_EQ(demo.mWidth, 64);
        EXPECT_EQ(demo.mHeight, 48);
        EXPECT_FLOAT_EQ(demo.mOsdDelay, 1.5f);
        EXPECT_FLOAT_EQ(demo.mDumpRate, 30.0f);
        EXPECT_TRUE(demo.mScript.mEntries.empty());
    }
    const std::string log = testing::internal::GetCapturedStdout();
    const char* const warnings[] = {
        "line 2: attribute 'start' of time is not a number: 'ten', read as 0",
        "line 2: attribute 'start' of time is below 0: '-5', read as 0",
        "line 3: unknown attribute 'widht' of display",
        "line 3: attribute 'width' of display is not a whole number: '64px', read as 64",
        "line 4: attribute 'delay' of osd is not a number: '1.5s', read as 1.5",
        "line 5: unknown tag 'scirpt' in demo",
        "line 6: unknown tag 'frame' in dump",
        "line 6: attribute 'rate' of dump is not a number: '30fps', read as 30",
    };
    size_t at = 0, count = 0;
    for (const char* warning : warnings) {
        at = log.find(std::string("Set-up 'setup.local.xml', ") + warning, at);
        EXPECT_NE(at, std::string::npos) << warning << "\n" << log;
    }
    for (at = log.find("[warning]"); at != std::string::npos; at = log.find("[warning]", at + 1)) ++count;
    EXPECT_EQ(count, std::size(warnings)) << log;

    write("setup.xml", read(HALCYRA_SOURCE_DIR "/demo/setup.xml"));
    write("timeline.xml", read(HALCYRA_SOURCE_DIR "/demo/timeline.xml"));
    std::filesystem::remove("setup.local.xml");
    testing::internal::CaptureStdout();
    {
        Corvista sample;
        sample.setup();
    }
    const std::string quiet = testing::internal::GetCapturedStdout();
    EXPECT_EQ(quiet.find("warning"), std::string::npos) << quiet;
}

TEST_F(SetupFileTest, TimeBarSettings) {
    write("setup.xml", "<demo><osd show=\"ON\" location=\"bottom\" delay=\"1.5\"/></demo>");
    Corvista demo;
    demo.setup();
    EXPECT_FALSE(demo.mOsdShow); // only the exact "on" shows it
    EXPECT_EQ(demo.mOsdLocation, 2);
    EXPECT_FLOAT_EQ(demo.mOsdDelay, 1.5f);
    EXPECT_FALSE(demo.mDisplayConfigured);
}

TEST_F(SetupFileTest, AnotherRootIsAnErrorAndConfiguresNothing) {
    write("setup.xml", "<config><display title=\"x\"/><archive path=\"data\"/></config>");
    Corvista demo;
    EXPECT_EQ(errorOf(demo), "[Corvista] The root tag of 'setup.xml' is 'config': a set-up's root tag must be 'demo'");
    EXPECT_FALSE(demo.mSetupDone);
    EXPECT_FALSE(demo.mDisplayConfigured);
    EXPECT_EQ(demo.mArchives.getArchiveCount(), 1);
}

TEST_F(SetupFileTest, BadXmlNamesTheFile) {
    write("setup.xml", "<demo><display width=12 height=\"x></demo>");
    Corvista demo;
    const std::string error = errorOf(demo);
    EXPECT_EQ(error.rfind("[Corvista] Could not read 'setup.xml': (error at line", 0), 0u) << error;
    // Saved as UTF-16 by an editor: the file and what to do about it are named.
    write("setup.xml", std::string("\xFF\xFE<\0d\0e\0m\0o\0", 10));
    Corvista wide;
    EXPECT_EQ(errorOf(wide), "[Corvista] Could not read 'setup.xml': Xml: The text is UTF-16 (little-endian); the "
                             "file must be saved as UTF-8");
}

TEST_F(SetupFileTest, ScriptsAreFoundThroughTheArchivesAndMustLoad) {
    write("data/s.xml", "<script><effect name=\"clear\" start=\"0\" end=\"4\"/></script>");
    write("setup.xml", "<demo><archive path=\"data\"/><script filename=\"s.xml\"/></demo>");
    Corvista demo;
    demo.setup();
    EXPECT_EQ(demo.mScriptFile, "s.xml");
    EXPECT_FLOAT_EQ(demo.mScript.mLength, 4.0f);
    EXPECT_EQ(demo.mArchives.getArchiveCount(), 2);
    // A folder is an archive whatever its name; an absolute name is read where it points; an
    // archive that names nothing readable (of no known kind, missing, a plain file, a ZIP file
    // that does not open) is named with the set-up file and its line, and left out.
    write("my.assets/t.xml", "<script><effect name=\"clear\" start=\"0\" end=\"6\"/></script>");
    write("elsewhere/u.xml", "<script><effect name=\"clear\" start=\"0\" end=\"8\"/></script>");
    write("plain", "not a folder");
    write("setup.xml", "<demo>\n<archive path=\"my.assets\"/>\n<archive path=\"data.old\"/>\n<archive path=\"nope\"/>\n"
                       "<archive path=\"plain\"/>\n<archive path=\"gone.zip\"/>\n<script filename=\"t.xml\"/>"
                       "<script filename=\"" + (mDir / "elsewhere/u.xml").string() + "\"/></demo>");
    testing::internal::CaptureStdout();
    Corvista named;
    const std::string error = errorOf(named);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(error, "");
    EXPECT_FLOAT_EQ(named.mScript.mLength, 8.0f);
    EXPECT_EQ(named.mArchives.getArchiveCount(), 2);
    for (const char* warning :
         {"line 3: the archive 'data.old' is neither a folder nor a ZIP file: it is left out",
          "line 4: the archive 'nope' does not exist: it is left out",
          "line 5: the archive 'plain' is not a folder, and its name does not end in '.zip' as a ZIP file's does: it "
          "is left out",
          "line 6: the archive 'gone.zip' could not be opened (No such file or directory): it is left out"})
        EXPECT_NE(log.find(std::string("Set-up 'setup.xml', ") + warning), std::string::npos) << warning << "\n" << log;
    EXPECT_NE(log.find("Could not open the zip archive 'gone.zip': No such file or directory"), std::string::npos);
}

TEST_F(SetupFileTest, ScriptFailuresAreClearErrors) {
    write("setup.xml", "<demo><script filename=\"s.xml\"/></demo>");
    {
        Corvista demo;
        EXPECT_EQ(errorOf(demo), "[Corvista] Could not find the script: 's.xml' (the script named in 'setup.xml', "
                                 "line 1)");
    }
    write("s.xml", "<timeline><effect name=\"a\" end=\"1\"/></timeline>");
    {
        Corvista demo;
        const std::string error = errorOf(demo);
        EXPECT_EQ(error.rfind("[Corvista] Could not load the script 's.xml': ", 0), 0u) << error;
        EXPECT_NE(error.find("timeline"), std::string::npos) << error;
    }
    write("s.xml", "<script><effect name=\"a\" end=\"1\"><spline name=\"x\"/></effect></script>");
    {
        Corvista demo;
        const std::string error = errorOf(demo);
        EXPECT_EQ(error.rfind("[Corvista] Could not load the script 's.xml': ", 0), 0u) << error;
        EXPECT_NE(error.find("key"), std::string::npos) << error;
    }
    write("s.xml", "<script><effect name=\"a\" end=\"1\">");
    {
        Corvista demo;
        EXPECT_EQ(errorOf(demo).rfind("[Corvista] Could not read the script 's.xml': (error at line", 0), 0u);
    }
}

TEST_F(SetupFileTest, ScriptsInZipArchivesAreReadOrRefusedWithTheCause) {
    const std::string script = "<script><effect name=\"clear\" start=\"0\" end=\"4\"/></script>";
    amtest::ZipEntry zip64("s.xml", script, false), bzip2("s.xml", "BZh91AY&SY", true);
    zip64.zip64 = true;
    bzip2.rawMethod = 12;
    amtest::makeZip("zip64.zip", {zip64});
    amtest::makeZip("dot.zip", {{"./s.xml", script, false}}); // as bsdtar names entries
    amtest::makeZip("bzip2.zip", {bzip2});
    for (const std::string archive : {"zip64.zip", "dot.zip"}) {
        write("setup.xml", "<demo><archive path=\"" + archive + "\"/><script filename=\"s.xml\"/></demo>");
        Corvista demo;
        EXPECT_EQ(errorOf(demo), "") << archive;
        EXPECT_FLOAT_EQ(demo.mScript.mLength, 4.0f) << archive;
    }
    // An entry that cannot be read ends the set-up as a missing one does, saying why.
    write("setup.xml", "<demo><archive path=\"bzip2.zip\"/><script filename=\"s.xml\"/></demo>");
    Corvista demo;
    EXPECT_EQ(errorOf(demo), "[Corvista] Could not find the script: 's.xml' (Could not read 's.xml' from the ZIP "
                             "archive 'bzip2.zip': compression method 12 (bzip2) is not supported (only stored and "
                             "deflated entries are read)) (the script named in 'setup.xml', line 1)");
    // A later archive's readable copy is found.
    write("setup.xml", "<demo><archive path=\"bzip2.zip\"/><archive path=\"dot.zip\"/><script filename=\"s.xml\"/></demo>");
    Corvista second;
    EXPECT_EQ(errorOf(second), "");
    EXPECT_FLOAT_EQ(second.mScript.mLength, 4.0f);
}

TEST_F(SetupFileTest, DumpingSwitchesSoundOffWhateverTheOrder) {
    write("setup.xml", "<demo><music filename=\"a.ogg\"/><dump name=\"video/frame.png\"/></demo>");
    Corvista demo;
    demo.setup();
    ASSERT_NE(demo.mDumper, nullptr);
    EXPECT_FLOAT_EQ(demo.mDumpRate, 60.0f);
    EXPECT_TRUE(demo.mNoSound);
    EXPECT_FALSE(demo.mNoSoundAsked);
}

TEST_F(SetupFileTest, DumpNamesAndRatesAreChecked) {
    // The name is refused with the tag's line and the ending that can be written.
    write("setup.xml", "<demo>\n<dump/></demo>");
    {
        Corvista demo;
        EXPECT_EQ(errorOf(demo), "Could not find something that could write to 'untitled': the dump name in "
                                 "'setup.xml', line 2, must end in '.png', the only kind of frame file that can be "
                                 "written");
    }
    // Only rates the frame arithmetic cannot hold are refused: 1200 (oversampling) is fine. A rate
    // is held as a float: 1e-300 would be 0 there, and 1e-40 would step by an endless 1/rate.
    for (const char* rate : {"0", "-5", "x", "3e23", "16777217", "inf", "-inf", "nan", "1e-300", "1e-40"}) {
        write("setup.xml", std::string("<demo>\n<dump name=\"f.png\" rate=\"") + rate + "\"/></demo>");
        Corvista demo;
        EXPECT_EQ(errorOf(demo).find(std::string("[Corvista] Bad dump rate '") + rate +
                                     "' for 'f.png' in 'setup.xml', line 2: frames per second must be at least 3e-39 "
                                     "and at most 16777216"),
                  0u)
            << rate;
    }
    write("setup.xml", "<demo><dump name=\"f.png\" rate=\"3e-39\"/></demo>");
    Corvista slow;
    EXPECT_EQ(errorOf(slow), "");
    EXPECT_GT(slow.mDumpRate, 0.0f);
    EXPECT_TRUE(std::isfinite(1.0f / slow.mDumpRate));
    // A timeline that ends too late for the frame numbers would dump for ever.
    write("s.xml", "<script>\n<effect start=\"0\" end=\"2\"/>\n<effect start=\"0\" end=\"1e30\"/>\n</script>");
    write("setup.xml", "<demo><dump name=\"f.png\" rate=\"10\"/><script filename=\"s.xml\"/></demo>");
    Corvista endless;
    EXPECT_EQ(errorOf(endless), "[Corvista] The timeline ends at 1e+30 s (script 's.xml', line 3): a dump at 10 frames "
                                "per second cannot reach it, as it numbers at most 2147483647 frames");
    EXPECT_EQ(endless.mDumper, nullptr);
    write("setup.xml", "<demo><dump name=\"f.png\" rate=\"1200\"/></demo>");
    Corvista fast;
    EXPECT_EQ(errorOf(fast), "");
    EXPECT_FLOAT_EQ(fast.mDumpRate, 1200.0f);
    // An absolute name goes inside "./": the log names the folder the frames really go to.
    write("setup.xml", "<demo><dump name=\"/videos/demo/f.png\"/></demo>");
    testing::internal::CaptureStdout();
    { Corvista absolute; absolute.setup(); }
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Dumping to 'videos/demo/f.png' (rate='60.000000'fps)"), std::string::npos) << log;
}

// The start mark is held as a float: a start that is endless there is refused with its line.
TEST_F(SetupFileTest, AStartTimeMustBeAFiniteNumber) {
    for (const char* start : {"inf", "nan", "1e39"}) {
        write("setup.xml", std::string("<demo>\n<time start=\"") + start + "\"/></demo>");
        Corvista demo;
        EXPECT_EQ(errorOf(demo), std::string("[Corvista] Bad start time '") + start +
                                     "' in 'setup.xml', line 2: the start mark must be a finite number of seconds "
                                     "(at most about 3.4e38, as a float holds it)");
    }
}

TEST_F(SetupFileTest, AWindowSizeCannotBeNegative) {
    write("setup.local.xml", "<demo><display width=\"64\" height=\"-5\"/></demo>");
    Corvista tall;
    EXPECT_EQ(errorOf(tall),
              "[Corvista] Bad window height '-5' in 'setup.local.xml': a window size cannot be negative");
    write("setup.local.xml", "<demo><display width=\"-0x10\"/></demo>");
    Corvista wide;
    EXPECT_EQ(errorOf(wide),
              "[Corvista] Bad window width '-0x10' in 'setup.local.xml': a window size cannot be negative");
    // Missing and zero sides are the window's to fill in.
    write("setup.local.xml", "<demo><display height=\"0\" title=\"x\"/></demo>");
    Corvista missing;
    EXPECT_EQ(errorOf(missing), "");
    EXPECT_EQ(missing.mWidth, 0);
}

TEST_F(SetupFileTest, SettingsAreWrittenBackIntoTheLocalFile) {
    write("setup.local.xml",
          "<?xml version=\"1.0\"?>\n<demo>\n\t<!-- mine -->\n\t<display width=\"640\" fullscreen=\"on\"/>\n"
          "\t<osd show=\"on\"/>\n\t<music filename=\"a.ogg\" mute=\"on\"/>\n</demo>\n");
    {
        Corvista demo;
        demo.setup();
        demo.mStartTime = 12.5f;
        demo.mFullscreen = false;
        demo.mMute = false;
        demo.mOsdLocation = 2;
    }
    const std::string saved = read("setup.local.xml");
    EXPECT_NE(saved.find("<!-- mine -->"), std::string::npos);
    EXPECT_NE(saved.find("<display width=\"640\" fullscreen=\"off\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<osd show=\"on\" location=\"bottom\" delay=\"2.00\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<music filename=\"a.ogg\" mute=\"off\"/>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<time start=\"12.50\" loop=\"off\"/>"), std::string::npos) << saved;
    // Two decimals, never later than the mark: 96.00 may be the end of a music the mark lies in.
    for (const auto& [mark, text] : {std::pair(95.996f, "start=\"95.99\""), std::pair(0.29f, "start=\"0.29\"")}) {
        { Corvista demo; demo.setup(); demo.mStartTime = mark; }
        EXPECT_NE(read("setup.local.xml").find(text), std::string::npos) << read("setup.local.xml");
    }
    // A delay that two decimals would round to another one (0 reads as 2 s) keeps its digits, and so
    // does a start mark that the run did not move (a frame's time at 24 fps): the same dump twice
    // gives the same frames.
    write("setup.local.xml", "<demo><osd show=\"on\" delay=\"0.004\"/><time start=\"1.125\"/></demo>");
    { Corvista demo; demo.setup(); }
    EXPECT_NE(read("setup.local.xml").find("delay=\"0.004\""), std::string::npos) << read("setup.local.xml");
    EXPECT_NE(read("setup.local.xml").find("start=\"1.125\""), std::string::npos) << read("setup.local.xml");
    // A dump plays no music, but its timeline's end refuses a start there just as well: a mark set
    // at that end, or a float step before it, as the dump reaches it, is written back before it.
    write("s.xml", "<script><effect start=\"0\" end=\"4\"/></script>");
    for (const float mark : {4.0f, std::nextafter(4.0f, 0.0f)}) {
        write("setup.local.xml", "<demo><script filename=\"s.xml\"/><dump name=\"f.png\" rate=\"24\"/></demo>");
        { Corvista demo; demo.setup(); demo.mStartTime = mark; }
        EXPECT_NE(read("setup.local.xml").find("start=\"3.99\""), std::string::npos) << read("setup.local.xml");
    }
    // A mark at the very end of the music is written back where the next start still plays.
    writeSilence("m.wav", 2);
    write("setup.local.xml", "<demo><music filename=\"m.wav\"/><time start=\"1\"/></demo>");
    {
        Corvista demo;
        demo.setup();
        demo.openMusic(demo.mMusicFile); // no window
        demo.mStartTime = 2.0f;
    }
    EXPECT_NE(read("setup.local.xml").find("start=\"1.99\""), std::string::npos) << read("setup.local.xml");
    Corvista next;
    next.setup();
    next.openMusic(next.mMusicFile);
    ASSERT_FALSE(next.mNoSound);
    EXPECT_LT(std::floor(next.mStartTime * 44100.0), next.mMusic.getLength());
}

TEST_F(SetupFileTest, EachSettingIsWrittenWhereTheReaderTakesItFrom) {
    write("setup.local.xml",
          "<!-- before -->\n<?halcyra note=\"mine\"?>\n<demo>\n\t<time start=\"1\" loop=\"on\"/>\n"
          "\t<time start=\"2\"/>\n\t<display fullscreen=\"on\"/>\n\t<display title=\"t\"/>\n"
          "\t<music mute=\"nosound\"/>\n</demo>\n<!-- after -->\n");
    {
        Corvista demo;
        demo.setup();
        EXPECT_FLOAT_EQ(demo.mStartTime, 2.0f);
        demo.mStartTime = 7.5f;
        demo.mLoop = false;
        demo.mFullscreen = false;
    }
    const std::string saved = read("setup.local.xml");
    EXPECT_EQ(saved.rfind("<!-- before -->\n<?halcyra note=\"mine\"?>\n<demo>\n", 0), 0u) << saved;
    EXPECT_EQ(saved.substr(saved.find("</demo>")), "</demo>\n<!-- after -->\n");
    Corvista again;
    again.setup();
    EXPECT_FLOAT_EQ(again.mStartTime, 7.5f) << saved;
    EXPECT_FALSE(again.mLoop) << saved;
    EXPECT_FALSE(again.mFullscreen) << saved;
    EXPECT_EQ(again.mTitle, "t");
}

TEST_F(SetupFileTest, SoundOffByDumpingIsNotWrittenBack) {
    write("setup.local.xml", "<demo><dump name=\"f.png\"/><music filename=\"a.ogg\"/></demo>");
    { Corvista demo; demo.setup(); }
    EXPECT_NE(read("setup.local.xml").find("mute=\"off\""), std::string::npos);
    write("setup.local.xml", "<demo><music mute=\"nosound\"/></demo>");
    { Corvista demo; demo.setup(); }
    EXPECT_NE(read("setup.local.xml").find("mute=\"nosound\""), std::string::npos);
}

TEST_F(SetupFileTest, OnlyTheUsersOwnLocalFileIsRewritten) {
    write("setup.xml", "<demo><archive path=\"data\"/></demo>");
    write("data/setup.local.xml", "<demo><time start=\"1\"/></demo>");
    {
        Corvista demo;
        demo.setup();
        demo.mStartTime = 4.0f;
    }
    EXPECT_FALSE(std::filesystem::exists("setup.local.xml"));
    EXPECT_EQ(read("data/setup.local.xml"), "<demo><time start=\"1\"/></demo>");
    EXPECT_EQ(read("setup.xml"), "<demo><archive path=\"data\"/></demo>");
}

TEST_F(SetupFileTest, TimeBarSettingsAreKeptWithoutAnOsdTag) {
    write("setup.local.xml", "<demo><music mute=\"nosound\"/></demo>");
    {
        Corvista demo;
        demo.setup();
        demo.mOsdShow = false;
        demo.mOsdLocation = 1;
    }
    Corvista again;
    again.setup();
    EXPECT_FALSE(again.mOsdShow) << read("setup.local.xml");
    EXPECT_EQ(again.mOsdLocation, 1);
    EXPECT_FLOAT_EQ(again.mOsdDelay, 2.0f);
}

TEST_F(SetupFileTest, MusicThatCannotPlayIsNamed) {
    write("setup.xml", "<demo><music filename=\"song.ogg\"/></demo>");
    write("song.ogg", "not a sound file");
    Corvista demo;
    demo.setup();
    testing::internal::CaptureStdout();
    demo.openMusic(demo.mMusicFile); // no window
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(demo.mNoSound);
    EXPECT_NE(output.find("'song.ogg'"), std::string::npos) << output;
}

// The playback keys on the demo system's state, without a window or music.
class KeysTest : public SetupFileTest {
protected:
    int key(Corvista& demo, int code, int modifiers = 0) {
        norvane::display::KeyEvent event;
        event.key = code;
        event.modifiers = modifiers;
        return demo.onKeyDown(&event);
    }
};

TEST_F(KeysTest, KeysChangeThePlaybackState) {
    write("setup.xml", "<demo><music mute=\"nosound\"/></demo>");
    Corvista demo;
    demo.setup();
    EXPECT_EQ(key(demo, 257), 2); // Escape
    EXPECT_EQ(key(demo, 81), 2);  // Q
    EXPECT_EQ(key(demo, 65), 0);

    demo.mClock = 3.2f;
    demo.mMusicTime = 42.7f;
    key(demo, 84, 64); // Ctrl+T: mark, no seek
    EXPECT_FLOAT_EQ(demo.mStartTime, 42.7f);
    EXPECT_FLOAT_EQ(demo.mOsdShownAt, 3.2f);

    key(demo, 32); // Space pauses at the last frame's clock
    EXPECT_TRUE(demo.mPaused);
    EXPECT_FLOAT_EQ(demo.mPauseTime, 3.2f);
    key(demo, 285); // Left at 3.2 seeks to 0, not -1.8
    EXPECT_FLOAT_EQ(demo.mPauseTime, 0.0f);
    key(demo, 84, 256); // Alt+T clears the mark
    EXPECT_FLOAT_EQ(demo.mStartTime, 0.0f);
    key(demo, 32);
    EXPECT_FALSE(demo.mPaused);

    key(demo, 77);
    EXPECT_TRUE(demo.mMute);
    key(demo, 77);
    EXPECT_FALSE(demo.mMute);
}

// A seek would cut the video or repeat a stretch of it: while dumping, the keys that move the
// clock (Left, Right, T, Alt+T) do nothing, and the log says why once.
TEST_F(KeysTest, SeekingIsOffWhileDumping) {
    write("setup.xml", "<demo><time start=\"1\"/><dump name=\"f.png\"/></demo>");
    Corvista demo;
    demo.setup();
    demo.mClock = 3.2f;
    testing::internal::CaptureStdout();
    for (const auto& [code, modifiers] : {std::pair(285, 0), std::pair(286, 0), std::pair(84, 0), std::pair(84, 256)})
        key(demo, code, modifiers);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_FLOAT_EQ(demo.mClock, 3.2f);
    EXPECT_FLOAT_EQ(demo.mStartTime, 1.0f);
    const size_t said = log.find("Seeking is off while dumping");
    EXPECT_NE(said, std::string::npos) << log;
    EXPECT_EQ(log.find("Seeking is off", said + 1), std::string::npos) << log;
}

TEST_F(KeysTest, OShowsTheBarThenMovesIt) {
    write("setup.xml", "<demo><music mute=\"nosound\"/></demo>");
    Corvista demo;
    demo.setup();
    demo.mClock = 10.0f;
    key(demo, 79); // the bar is not up: only shown
    EXPECT_EQ(demo.mOsdLocation, 0);
    EXPECT_FLOAT_EQ(demo.mOsdShownAt, 10.0f);
    for (int expected : {1, 2, 0}) {
        key(demo, 79);
        EXPECT_EQ(demo.mOsdLocation, expected);
    }
    key(demo, 79, 128); // Ctrl+O switches it off
    EXPECT_FALSE(demo.mOsdShow);
    EXPECT_EQ(demo.mOsdLocation, 0);
}

// Keys handled before the next frame see the seeks made before them.
TEST_F(KeysTest, KeysOfOneFrameFollowEarlierSeeks) {
    write("setup.xml", "<demo><music mute=\"nosound\"/></demo>");
    Corvista demo;
    demo.setup();
    demo.mClock = 3.2f;
    key(demo, 32); // pause
    key(demo, 286);
    key(demo, 286);
    EXPECT_FLOAT_EQ(demo.mPauseTime, 13.2f);
    key(demo, 84, 64); // Ctrl+T marks where the seeks went
    EXPECT_FLOAT_EQ(demo.mStartTime, 13.2f);
    const auto resumed = std::chrono::steady_clock::now();
    key(demo, 32); // resumes there, not at the frame's clock before the seeks
    // and runs on from there for as long as the test saw pass, however long that was
    const float time = demo.mTimer.getTime();
    EXPECT_GE(time, 13.2f - 1e-3f);
    EXPECT_LE(time, 13.2 + std::chrono::duration<double>(std::chrono::steady_clock::now() - resumed).count() + 1e-3);
}

// The music's mixing runs ahead of the last drawn frame: a pause holds it where the picture stands,
// so that music and clock resume together instead of the music gaining on every pause.
TEST_F(KeysTest, SpaceHoldsTheMusicWhereThePictureStands) {
    writeSilence("m.wav", 10);
    write("setup.xml", "<demo><music filename=\"m.wav\"/></demo>");
    Corvista demo;
    demo.setup();
    demo.openMusic(demo.mMusicFile); // no window
    ASSERT_FALSE(demo.mNoSound);
    demo.mMusic.play();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (demo.mMusic.getPosition() < 22050 && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_GE(demo.mMusic.getPosition(), 22050);
    demo.mClock = 0.25f; // the last frame
    key(demo, 32);
    EXPECT_EQ(demo.mMusic.getPosition(), 11025);
    const auto resumed = std::chrono::steady_clock::now();
    key(demo, 32);
    EXPECT_TRUE(demo.mMusic.isPlaying());
    // On from the picture's place, not from where the mixing had gone (a quarter second on): no
    // further than the real time since, however long a busy machine took, and less than that
    // quarter second for the mixing, which runs ahead in blocks.
    const int position = demo.mMusic.getPosition();
    const double since = std::chrono::duration<double>(std::chrono::steady_clock::now() - resumed).count();
    EXPECT_LE(position, 11025 + static_cast<int>(44100 * (since + 0.2)));
}

} // namespace
