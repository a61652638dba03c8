#include "frontend/gui/QtSettingsStore.h"

namespace {
QString Name(std::string_view name) { return QString::fromUtf8(name.data(), qsizetype(name.size())); }
}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(std::make_unique<QSettings>("QMT", "VIREL")) {}

bool QtSettingsStore::OpenKey(std::string_view key) {
  while (!settings_->group().isEmpty()) settings_->endGroup();
  if (!key.empty()) settings_->beginGroup(Name(key));
  // A store that cannot be written at all (a read-only file) still reads.
  return settings_->status() != QSettings::FormatError;
}

void QtSettingsStore::CloseKey() {
  while (!settings_->group().isEmpty()) settings_->endGroup();
}

bool QtSettingsStore::ValueExists(std::string_view name) { return settings_->contains(Name(name)); }

int32_t QtSettingsStore::ReadInteger(std::string_view name) {
  // A value that is not a number (a hand-edited file) reads as 0.
  bool ok = false;
  const int32_t value = settings_->value(Name(name)).toInt(&ok);
  return ok ? value : 0;
}

std::string QtSettingsStore::ReadString(std::string_view name) {
  return settings_->value(Name(name)).toString().toStdString();
}

void QtSettingsStore::WriteInteger(std::string_view name, int32_t value) {
  settings_->setValue(Name(name), value);
}

void QtSettingsStore::WriteString(std::string_view name, std::string_view value) {
  settings_->setValue(Name(name), Name(value));
}
