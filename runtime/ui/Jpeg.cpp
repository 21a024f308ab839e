#include "runtime/ui/Jpeg.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace rt {
namespace {

struct ErrorJump {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void onError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorJump*>(info->err);
  std::longjmp(err->jump, 1);
}

void quiet(j_common_ptr, int) {}

bool looksLikeJpeg(const std::string& name) {
  std::string low;
  for (char c : name) low += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return low.ends_with(".jpg") || low.ends_with(".jpeg") || low.ends_with(".jpe");
}

}  // namespace

QImage decodeJpeg(const unsigned char* data, std::size_t size) {
  if (!data || size < 4) return {};
  jpeg_decompress_struct info;
  ErrorJump err;
  info.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = onError;
  err.mgr.emit_message = quiet;
  // Everything that must survive a jump back is set before setjmp.
  QImage* volatile result = new QImage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    delete result;
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  *result = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = result->scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  QImage out = std::move(*result);
  delete result;
  return out;
}

QImage decodeJpeg(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = f.readAll();
  return decodeJpeg(reinterpret_cast<const unsigned char*>(bytes.constData()),
                    static_cast<std::size_t>(bytes.size()));
}

QImage loadPicture(std::string_view name) {
  std::string n(name);
  while (!n.empty() && n.back() == ' ') n.pop_back();
  for (char& c : n)
    if (c == '\\') c = '/';
  if (n.empty()) return {};
  // Resources never change, and every window decodes the same few icons again and again.
  static std::mutex cacheMutex;
  static std::unordered_map<std::string, QImage> resources;
  {
    std::lock_guard guard(cacheMutex);
    if (auto it = resources.find(n); it != resources.end()) return it->second;
  }
  for (const std::string& path : {":/" + n, n}) {
    if (!QFile::exists(QString::fromStdString(path))) continue;
    QImage img;
    if (looksLikeJpeg(path)) img = decodeJpeg(path);
    if (img.isNull()) img = QImage(QString::fromStdString(path));
    if (img.isNull()) continue;
    if (path.front() == ':') {
      std::lock_guard guard(cacheMutex);
      resources.emplace(n, img);
    }
    return img;
  }
  return {};
}

}  // namespace rt
