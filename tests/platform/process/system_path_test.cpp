#include <gtest/gtest.h>

#include "audio/audio_manager.h"
#include "platform/process/system_path.h"
#include "support/test_show.h"
#include "support/test_support.h"

namespace {

TEST(SystemPath, WindowsSeparatorsBecomeSlashesAndNothingElseChanges) {
    EXPECT_EQ(platform::systemPath("resources\\Music\\Track.OGG"), "resources/Music/Track.OGG");
    EXPECT_EQ(platform::systemPath("/abs/path"), "/abs/path");
    EXPECT_EQ(platform::systemPath(""), "");
}

TEST(SystemPath, AShowWrittenOnWindowsFindsItsMusic) {
    testing_support::TempDir dir;
    testing_support::writeToneWav(dir.path() / "resources" / "Music.wav", 0.25);
    testing_support::ScopedWorkingDirectory cwd(dir.path());
    AudioManager manager(sound::kNoSoundDevice);
    ASSERT_TRUE(manager.isInitialized());
    EXPECT_TRUE(manager.readAudioFile(u"resources\\Music.wav"));
    EXPECT_EQ(manager.getAudio()->getLength(), 44100u);
    EXPECT_FALSE(manager.readAudioFile(u"resources\\music.wav"));  // names stay case-sensitive
}

}  // namespace
