// The main of every test program that opens windows: an offscreen application around the tests.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

// The offscreen platform warns about every raise(); the rest is worth seeing.
void quietHandler(QtMsgType type, const QMessageLogContext& ctx, const QString& msg) {
  if (msg.startsWith("This plugin does not support")) return;
  qt_message_output(type, ctx, msg);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(quietHandler);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
