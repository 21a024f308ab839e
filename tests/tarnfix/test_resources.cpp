#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <string>

#include "resources/Resources.h"

namespace {

std::string s(const QString& q) {
  return q.toStdString();
}

QImage decode(const QByteArray& bytes, const char* format) {
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer, format);
  return reader.read();
}

// Every picture, icon and cursor the programs name.
const char* const kSystemNames[] = {
    "~tw.ico",     "~hand.cur",  "~note5A.ico",   "Glove.cur",   "Progm039.ico",
    "QkLoad.ico",  "QkQBE.ico",  "chg4.ico",      "delete4.ico", "filefind.ico",
    "insert3.ico", "target.ico", "newtarn 2.jpg", "sondrel.gif",
};

TEST(ResourceNames, EverySystemNameResolves) {
  for (const char* name : kSystemNames) {
    SCOPED_TRACE(name);
    const QString path = rt::resourcePath(name);
    ASSERT_TRUE(path.startsWith(":/")) << s(path);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(rt::resourceBytes(name).isEmpty());
  }
}

TEST(ResourceNames, MatchedAsTheSystemWritesThem) {
  const QString tw = rt::resourcePath("tw.ico");
  ASSERT_FALSE(tw.isEmpty());
  for (const char* spelling : {"~tw.ico", "TW.ICO", "~Tw.Ico", "~tw.ico   ", ":/tw.ico"})
    EXPECT_EQ(rt::resourcePath(spelling), tw) << spelling;
  EXPECT_EQ(rt::resourcePath("NEWTARN 2.JPG"), rt::resourcePath("newtarn 2.jpg"));
}

TEST(ResourceNames, UnknownOrPathLikeNamesGiveNothing) {
  for (const char* name :
       {"", "   ", "~", "nothere.ico", "newtarn2.jpg", "help/tarnwick/index.html", "../tw.ico",
        "images/tw.ico", "docs/policy.html"}) {
    EXPECT_TRUE(rt::resourcePath(name).isEmpty()) << name;
    EXPECT_TRUE(rt::resourceBytes(name).isEmpty()) << name;
  }
}

TEST(ResourceNames, MarkedNamesAreReachableByQtDirectly) {
  // The window layer opens ":/" + the system's name.
  for (const char* name : {"~tw.ico", "~hand.cur", "~note5A.ico"}) {
    QFile f(QStringLiteral(":/") + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    EXPECT_EQ(f.readAll(), rt::resourceBytes(name)) << name;
  }
}

TEST(ResourceNames, EveryCommittedPictureIsCompiledIn) {
  QDir dir(TW_IMAGES_DIR);
  const QStringList files = dir.entryList(QDir::Files);
  ASSERT_GE(files.size(), 14);
  for (const QString& f : files) {
    QFile disk(dir.filePath(f));
    ASSERT_TRUE(disk.open(QIODevice::ReadOnly));
    EXPECT_EQ(rt::resourceBytes(f.toStdString()), disk.readAll()) << s(f);
  }
}

TEST(Pictures, IconsHoldTheUsualSizes) {
  for (const char* name : kSystemNames) {
    const std::string n(name);
    if (!n.ends_with(".ico")) continue;
    SCOPED_TRACE(n);
    QBuffer buffer;
    buffer.setData(rt::resourceBytes(n));
    QImageReader reader(&buffer, "ico");
    QSet<int> widths;
    do {
      const QImage img = reader.read();
      ASSERT_FALSE(img.isNull()) << s(reader.errorString());
      EXPECT_EQ(img.width(), img.height());
      EXPECT_TRUE(img.hasAlphaChannel());
      widths.insert(img.width());
    } while (reader.jumpToNextImage());
    EXPECT_TRUE(widths.contains(16));
    EXPECT_TRUE(widths.contains(32));
  }
}

TEST(Pictures, CursorsAreCursorsWithTheFingertipAsHotSpot) {
  for (const char* name : {"Glove.cur", "~hand.cur"}) {
    SCOPED_TRACE(name);
    const auto hot = rt::cursorHotSpot(name);
    ASSERT_TRUE(hot.has_value());
    const QImage img = decode(rt::resourceBytes(name), "cur");
    ASSERT_FALSE(img.isNull());
    ASSERT_EQ(img.size(), QSize(32, 32));
    EXPECT_TRUE(QRect(QPoint(0, 0), img.size()).contains(*hot));
    // The hot spot sits on the drawn finger's tip: visible, near the top.
    EXPECT_GT(qAlpha(img.pixel(hot->x(), hot->y() + 1)), 0);
    EXPECT_LT(hot->y(), 6);
  }
  EXPECT_FALSE(rt::cursorHotSpot("~tw.ico").has_value());
  EXPECT_FALSE(rt::cursorHotSpot("nothere.cur").has_value());
}

// The frame's background goes through libjpeg's baseline decoder in the window layer.
TEST(Pictures, FrameBackgroundIsABaselineJpeg) {
  const QByteArray jpg = rt::resourceBytes("newtarn 2.jpg");
  EXPECT_LT(jpg.size(), 150 * 1024);
  ASSERT_GT(jpg.size(), 4);
  EXPECT_EQ(static_cast<unsigned char>(jpg[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(jpg[1]), 0xD8);
  bool baseline = false;
  bool progressive = false;
  for (qsizetype i = 2; i + 3 < jpg.size();) {
    if (static_cast<unsigned char>(jpg[i]) != 0xFF) break;
    const auto marker = static_cast<unsigned char>(jpg[i + 1]);
    if (marker == 0xC0) baseline = true;
    if (marker == 0xC2) progressive = true;
    if (marker == 0xDA) break;  // the scan: no frame header follows
    const int length =
        static_cast<unsigned char>(jpg[i + 2]) << 8 | static_cast<unsigned char>(jpg[i + 3]);
    i += 2 + length;
  }
  EXPECT_TRUE(baseline);
  EXPECT_FALSE(progressive);
  const QImage img = decode(jpg, "jpeg");
  EXPECT_EQ(img.size(), QSize(1024, 768));
}

TEST(Pictures, PageReaderBackgroundIsAGif) {
  const QByteArray gif = rt::resourceBytes("sondrel.gif");
  EXPECT_TRUE(gif.startsWith("GIF8"));
  EXPECT_FALSE(decode(gif, "gif").isNull());
}

}  // namespace
