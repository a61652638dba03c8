// VIREL_FRAME_LOG: every presented frame leaves one line with its monotonic
// time in nanoseconds, in the order shown, readable while the program runs.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <chrono>

#include "video/gui/DXDraw.h"

namespace {

QList<long long> Times(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  QList<long long> times;
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (line.isEmpty()) continue;
    bool ok = false;
    times << line.toLongLong(&ok);
    EXPECT_TRUE(ok) << line.toStdString();
  }
  return times;
}

}  // namespace

TEST(FrameLog, OneMonotonicTimePerPresentedFrame) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("frames.txt"));
  qputenv("VIREL_FRAME_LOG", path.toLocal8Bit());
  TDXDraw display;
  qunsetenv("VIREL_FRAME_LOG");
  ASSERT_TRUE(display.Initialize());
  display.SetWaitVBlank(false);
  const long long start = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                              .count();
  for (int i = 0; i < 5; ++i) display.Flip();
  // Written as it goes: a program killed at this point still leaves them all.
  QList<long long> times = Times(path);
  ASSERT_EQ(times.size(), 5);
  EXPECT_GE(times.front(), start);
  for (int i = 1; i < times.size(); ++i) EXPECT_GE(times[i], times[i - 1]);
  display.Flip();
  EXPECT_EQ(Times(path).size(), 6);
}
