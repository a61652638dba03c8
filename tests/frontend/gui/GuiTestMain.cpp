// The one main of the GUI tests: a QApplication on the offscreen platform
// around GoogleTest, so that real windows and dialogs can be driven.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Test discovery runs the binary outside ctest's environment; offscreen
  // keeps it from needing a display there too.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
