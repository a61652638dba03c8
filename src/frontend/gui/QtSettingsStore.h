// The settings store of the program: QSettings("QMT", "VIREL") in the native
// format (the registry key Software\QMT\VIREL on Windows, an INI file under the
// user's configuration folder elsewhere), with the controller keys as the
// groups JOY1 and JOY2.
#pragma once

#include <QSettings>
#include <memory>

#include "frontend/Settings.h"

class QtSettingsStore : public SettingsStore {
 public:
  QtSettingsStore();
  bool OpenKey(std::string_view key) override;
  void CloseKey() override;
  bool ValueExists(std::string_view name) override;
  int32_t ReadInteger(std::string_view name) override;
  std::string ReadString(std::string_view name) override;
  std::optional<int32_t> TryReadInteger(std::string_view name) override;
  std::optional<std::string> TryReadString(std::string_view name) override;
  void WriteInteger(std::string_view name, int32_t value) override;
  void WriteString(std::string_view name, std::string_view value) override;
  // Writes what is pending to the file or registry.
  void Sync() { settings_->sync(); }
  // Drops everything stored (values of other versions, damage, a file that
  // does not parse) so that the writes that follow make a clean file.
  void StartFresh();

 private:
  std::unique_ptr<QSettings> settings_;
};
