#include "QtTestSupport.h"
#include "RecordingSoundPlayer.h"
#include "platform/BundledModule.h"
#include "platform/QSoundEffectPlayer.h"
#include "platform/Settings.h"
#include "platform/SoundManager.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

namespace velkor::platform {
namespace {

using velkor::testing::RecordingSoundPlayer;
using velkor::testing::waitUntil;

TEST(SoundManager, MuteChoiceIsStoredAtOnceAndReadAtTheNextStart) {
    RecordingSoundPlayer player;
    {
        SoundManager sounds(player);
        EXPECT_FALSE(sounds.isMuted());
        int announced = 0;
        QObject::connect(&sounds, &SoundManager::isMutedChanged, [&] { ++announced; });
        sounds.setIsMuted(true);
        EXPECT_TRUE(Settings::value(SoundManager::mutedKey).toBool());
        // Every assignment writes, even one that changes nothing; only changes are announced.
        Settings::remove(SoundManager::mutedKey);
        sounds.setIsMuted(true);
        EXPECT_TRUE(Settings::contains(SoundManager::mutedKey));
        EXPECT_EQ(announced, 1);
    }
    SoundManager restarted(player);
    EXPECT_TRUE(restarted.isMuted());
    restarted.play(SoundEffect::move);
    velkor::testing::processEventsFor(std::chrono::milliseconds(20));
    EXPECT_TRUE(player.played.empty());

    restarted.setIsMuted(false);
    EXPECT_EQ(Settings::value(SoundManager::mutedKey).toBool(), false);
    restarted.play(SoundEffect::capture);
    ASSERT_TRUE(waitUntil([&] { return player.played.size() == 1; }));
    EXPECT_EQ(player.played.front(), SoundEffect::capture);
}

TEST(SoundManager, PlaysInRequestOrderOnTheMainThreadWhoeverAsks) {
    RecordingSoundPlayer player;
    SoundManager sounds(player);
    sounds.play(SoundEffect::check);
    std::thread worker([&] { sounds.play(SoundEffect::gameEnd); });
    worker.join();
    // Posted, not played inside the call: the caller never waits on the audio stack.
    EXPECT_TRUE(player.played.empty());
    ASSERT_TRUE(waitUntil([&] { return player.played.size() == 2; }));
    EXPECT_EQ(player.played, (std::vector{SoundEffect::check, SoundEffect::gameEnd}));
    for (QThread* thread : player.threads) {
        EXPECT_EQ(thread, QThread::currentThread());
    }
}

// Each effect is a short mono PCM WAV compiled into the program.
TEST(SoundEffects, AreShortPcmWavResources) {
    for (const SoundEffect effect : allSoundEffects) {
        QFile file(resourcePath(effect));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << resourcePath(effect).toStdString();
        const QByteArray data = file.readAll();
        ASSERT_GT(data.size(), 44);
        EXPECT_EQ(data.left(4), "RIFF");
        EXPECT_EQ(data.mid(8, 8), "WAVEfmt ");
        QDataStream header(data.mid(20, 16));
        header.setByteOrder(QDataStream::LittleEndian);
        quint16 format = 0, channels = 0, bitsPerSample = 0;
        quint32 sampleRate = 0, byteRate = 0;
        quint16 blockAlign = 0;
        header >> format >> channels >> sampleRate >> byteRate >> blockAlign >> bitsPerSample;
        EXPECT_EQ(format, 1);
        EXPECT_EQ(channels, 1);
        const double seconds = double(data.size() - 44) / byteRate;
        EXPECT_GT(seconds, 0.03);
        EXPECT_LT(seconds, 1.0);
    }
    EXPECT_EQ(systemSoundName(SoundEffect::gameEnd), "Hero");
}

// Whatever the machine's audio, playing returns at once and never stalls the caller.
TEST(QSoundEffectPlayer, NeverBlocks) {
    QSoundEffectPlayer player;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < 25; ++round) {
        for (const SoundEffect effect : allSoundEffects) {
            player.play(effect);
        }
    }
    velkor::testing::processEventsFor(std::chrono::milliseconds(50));
    EXPECT_LT(timer.elapsed(), 2000);
}

// The program plays through the sound module, loaded after its window appears: a missing module
// leaves it silent, the real one becomes the shared manager's player, owned by the manager.
TEST(SoundManager, TheSharedManagerPlaysThroughTheSoundModuleOnceItIsLoaded) {
    const QTemporaryDir empty;
    setBundledModuleFolder(empty.path());
    EXPECT_EQ(resolveBundledModule(QStringLiteral("velkor_sound"), "velkorCreateSoundPlayer"),
              nullptr);
    loadBundledSoundPlayer();
    SoundManager& manager = SoundManager::shared();
    EXPECT_EQ(manager.findChild<QSoundEffectPlayer*>(), nullptr);
    manager.play(SoundEffect::move);
    velkor::testing::processEventsFor(std::chrono::milliseconds(20));

    setBundledModuleFolder(QStringLiteral(VELKOR_TEST_MODULE_DIR));
    EXPECT_EQ(resolveBundledModule(QStringLiteral("velkor_sound"), "noSuchEntry"), nullptr);
    loadBundledSoundPlayer();
    EXPECT_NE(manager.findChild<QObject*>(), nullptr);
    manager.play(SoundEffect::capture);
    velkor::testing::processEventsFor(std::chrono::milliseconds(20));
}

} // namespace
} // namespace velkor::platform
