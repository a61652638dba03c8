#include "frontend/gui/QtSettingsStore.h"

#include <QFile>
#include <climits>

namespace {
QString Name(std::string_view name) { return QString::fromUtf8(name.data(), qsizetype(name.size())); }
}  // namespace

QtSettingsStore::QtSettingsStore() : settings_(std::make_unique<QSettings>("QMT", "VIREL")) {}

bool QtSettingsStore::OpenKey(std::string_view key) {
  while (!settings_->group().isEmpty()) settings_->endGroup();
  if (!key.empty()) settings_->beginGroup(Name(key));
  // A group of the file can always be opened. A file that does not parse
  // everywhere (QSettings::FormatError, known only after the first read) still
  // yields the values it holds; each is checked as it is read, and the next
  // save starts a fresh file. Refusing the key instead would put controller 2
  // on codes no keyboard has and leave the damaged file in place for good.
  return true;
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

std::optional<int32_t> QtSettingsStore::TryReadInteger(std::string_view name) {
  // The native format keeps numbers as text: anything but a whole number
  // that fits 32 bits (a fraction, a word, a list, 10^20) is unusable.
  const QVariant value = settings_->value(Name(name));
  if (value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QVariantList)
    return std::nullopt;
  bool ok = false;
  const qlonglong number = value.toString().trimmed().toLongLong(&ok);
  if (!ok || number < INT32_MIN || number > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(number);
}

std::optional<std::string> QtSettingsStore::TryReadString(std::string_view name) {
  const QVariant value = settings_->value(Name(name));
  // An unquoted comma turns a value into a list; that is not a path.
  if (value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QVariantList)
    return std::nullopt;
  if (!value.canConvert<QString>()) return std::nullopt;
  return value.toString().toStdString();
}

void QtSettingsStore::StartFresh() {
  if (settings_->status() == QSettings::FormatError) {
    // A file that does not parse cannot be rewritten in place: QSettings
    // refuses to save over it.
    const QString file = settings_->fileName();
    settings_.reset();
    QFile::remove(file);
    settings_ = std::make_unique<QSettings>("QMT", "VIREL");
  }
  settings_->clear();
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
