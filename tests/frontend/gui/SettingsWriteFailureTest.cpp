// The settings file keeps its old contents when writing it runs out of room
// part-way (a full disk): the store's write fails as a whole, and once there is
// room again the next write goes through.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "frontend/gui/QtSettingsStore.h"
#include "support/FileSizeLimit.h"

namespace {

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(SettingsWriteFailure, AFullDiskKeepsTheOldSettingsFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  const QString file = dir.path() + "/QMT/VIREL.conf";

  VirelSettings old;
  old.FrameRate = 3;
  old.RecentList[0] = "/jogos/antigo.nes";
  {
    QtSettingsStore store;
    SaveSettings(store, old);
    store.Sync();
  }
  const QByteArray before = Contents(file);
  ASSERT_TRUE(before.contains("antigo")) << before.constData();

  VirelSettings changed = old;
  changed.FrameRate = 7;
  changed.RecentList[0] = "/jogos/um-nome-bem-mais-comprido-que-o-antigo.nes";
  {
    FileSizeLimit limit(64);
    ASSERT_TRUE(limit.active());
    QtSettingsStore store;
    SaveSettings(store, changed);
    store.Sync();
    EXPECT_EQ(Contents(file), before);
    // The store's own last write, as it goes, fails the same way.
  }
  EXPECT_EQ(Contents(file), before);
  // No half-written temporary file is left beside it.
  EXPECT_EQ(QDir(dir.path() + "/QMT").entryList(QDir::Files), QStringList{"VIREL.conf"});

  // With room again, the settings are written whole.
  {
    QtSettingsStore store;
    SaveSettings(store, changed);
    store.Sync();
  }
  EXPECT_TRUE(Contents(file).contains("um-nome-bem-mais-comprido")) << Contents(file).constData();
}

}  // namespace

#endif
