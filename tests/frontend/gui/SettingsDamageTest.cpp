// A settings file damaged by hand, by another program or by the disk: the
// window starts on the defaults of every unusable value, says so once per
// value in its log, and the next close writes a clean file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "FormFixture.h"

namespace {

class SettingsDamageTest : public FormTest {
 protected:
  // Replaces the settings file with `text`, byte for byte.
  void WriteRaw(const QByteArray& text) {
    const QString path = QSettings(QStringLiteral("QMT"), QStringLiteral("VIREL")).fileName();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
  }
  QByteArray ReadRaw() {
    QFile file(QSettings(QStringLiteral("QMT"), QStringLiteral("VIREL")).fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QStringList Complaints() const { return Log().filter(QStringLiteral("Configuração")); }
};

TEST_F(SettingsDamageTest, EveryUnusableValueFallsBackToItsDefaultWithOneLogLine) {
  const QByteArray longPath = "/" + QByteArray(5000, 'a');
  WriteRaw(
      "[General]\n"
      "Path=" +
      longPath +
      "\n"                                   // 1 text far too long
      "PWwindowsTop=99999999999999999999\n"  // 2 a number beyond 64 bits
      "PWwindowsLeft=abc\n"                  // 3 a word for a number
      "VideoEsticar=verdadeiro\n"            // 4 a word for a boolean
      "FrameRate=2.5\n"                      // 5 a fraction
      "AbilitaSom=\n"                        // 6 nothing at all
      "SoundFrequencia=-5\n"                 // 7 out of its range
      "SoundVolume=70000\n"                  // 8 out of its range
      "SoundChannel1=1, 2\n"                 // 9 a list
      "SoundChannel2=0\n"                    //   good: still read
      "WIN=7\n"                              // 10 out of range
      "SCREEN=bogus\n"                       // 11 not a display mode
      "MRU1=@Rect(1 2 3 4)\n"                // 12 a value of another type
      "MRU2=/jogos/bom.nes\n"                //   good: still read
      "this line is no setting\n"            //   ignored by the format
      "\x01\x02\xff\xfe=\x80\n"              //   binary noise
      "[JOY1]\n"
      "UP=300\n"                                   // 13 no such key code
      "DOWN=-1\n"                                  // 14 negative key code
      "A=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x4)\n"  // 15 a stored object
      "[JOY2]\n"
      "ENABLED=talvez\n"      // 16 a word for a boolean
      "START=2147483648\n");  // 17 one past 32 bits
  // JOY1's LEFT and everything of the general key not named stay missing.
  Open();
  const VirelSettings& s = form->settings();
  const VirelSettings defaults;
  EXPECT_EQ(s.Path, "");
  EXPECT_EQ(form->pos(), QPoint(kDesignedLeft, kDesignedTop));
  EXPECT_FALSE(s.VideoEsticar);
  EXPECT_EQ(form->machine().FrameRate, 1);
  EXPECT_TRUE(Item("abltsom")->isChecked());
  EXPECT_EQ(form->SoundFrequencia, 11);
  EXPECT_TRUE(Item("N22mhz1")->isChecked());
  EXPECT_EQ(form->machine().SoundVolume, 255);
  EXPECT_TRUE(form->machine().ChannelEnabled[0]);
  EXPECT_FALSE(form->machine().ChannelEnabled[1]);
  EXPECT_EQ(s.StartFullScreen, 0);
  EXPECT_EQ(s.FullScreenMode, "");
  EXPECT_EQ(s.RecentList[0], "");
  EXPECT_EQ(s.RecentList[1], "/jogos/bom.nes");
  EXPECT_EQ(s.Pads[0].Keys, defaults.Pads[0].Keys);
  EXPECT_FALSE(s.Pads[1].JoystickEnabled);
  EXPECT_EQ(s.Pads[1].Keys, defaults.Pads[1].Keys);

  const QStringList complaints = Complaints();
  EXPECT_EQ(complaints.size(), 17) << complaints.join(QLatin1Char('\n')).toStdString();
  for (const char* name : {"\"Path\"", "\"PWwindowsTop\"", "\"SoundChannel1\"", "\"SCREEN\"", "\"MRU1\"",
                           "\"JOY1/UP\"", "\"JOY1/A\"", "\"JOY2/START\""})
    EXPECT_EQ(complaints.filter(QLatin1String(name)).size(), 1) << name;
  EXPECT_TRUE(
      complaints.filter(QStringLiteral("\"SoundVolume\"")).first().endsWith(QStringLiteral("usando 255.")));

  // The next close writes the values in use, and nothing of the damage.
  Close();
  const QByteArray clean = ReadRaw();
  for (const char* gone :
       {"aaaaaaaa", "verdadeiro", "bogus", "@Rect", "@Variant", "no setting", "talvez", "\x01"})
    EXPECT_FALSE(clean.contains(gone)) << gone;
  EXPECT_EQ(Stored("SoundVolume").toInt(), 255);
  EXPECT_EQ(Stored("JOY1/UP").toInt(), 38);
  EXPECT_EQ(Stored("MRU2").toString(), QStringLiteral("/jogos/bom.nes"));
  Open();
  EXPECT_TRUE(Complaints().isEmpty()) << Complaints().join(QLatin1Char('\n')).toStdString();
}

TEST_F(SettingsDamageTest, ClampedFrameRateIsReportedAndAFileOfNoiseStartsClean) {
  WriteRaw("[General]\nFrameRate=1000\n");
  Open();
  EXPECT_EQ(form->machine().FrameRate, 10);
  ASSERT_EQ(Complaints().size(), 1);
  EXPECT_TRUE(Complaints().first().endsWith(QStringLiteral("usando 10.")));
  Close();

  // Random bytes, NULs and all: nothing usable, nothing crashes, and the
  // close replaces the noise by a whole settings file.
  QByteArray noise;
  uint32_t x = 12345;
  for (int i = 0; i < 64 * 1024; ++i) {
    x = x * 1103515245u + 12345u;
    noise.append(char(x >> 24));
  }
  WriteRaw(noise);
  Open();
  EXPECT_EQ(form->machine().FrameRate, 1);
  EXPECT_EQ(form->machine().SoundVolume, 255);
  Close();
  EXPECT_EQ(Stored("FrameRate").toInt(), 1);
  EXPECT_EQ(Stored("JOY2/UP").toInt(), 69);
  EXPECT_FALSE(ReadRaw().contains(noise.left(32)));
}

}  // namespace
