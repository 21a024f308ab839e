#include "common/ReportParts.h"

namespace reportparts {

using C = rt::ReportControlKind;
using rt::BandKind;
using rt::ReportBand;
using rt::ReportControl;

const rt::ReportFont kTitleFont{.points = 10, .style = rt::fontstyle::Bold};
const rt::ReportFont kLabelFont{.points = 7, .style = rt::fontstyle::Bold};
const rt::ReportFont kTextFont{.points = 8};

namespace {

constexpr long kLightGrey = 0xC0C0C0;
constexpr int kBandWidth = 6000;
constexpr int kColumnX[] = {0, 1500, 3000, 4500};

ReportControl verticalLine(int x, int y, int height) {
  return {.kind = C::Line, .x = x, .y = y, .width = 0, .height = height};
}

}  // namespace

ReportControl text(int x, int y, int width, const char* t, const rt::ReportFont& font,
                   rt::ReportAlign align) {
  return {.kind = C::Text,
          .x = x,
          .y = y,
          .width = width,
          .height = font.points * 25,
          .text = t,
          .align = align,
          .font = font};
}

ReportControl field(int x, int y, int width, const char* name, const char* picture) {
  return {.kind = C::String,
          .x = x,
          .y = y,
          .width = width,
          .height = kTextHeight,
          .field = name,
          .picture = picture};
}

std::vector<ReportControl> topLine(const char* title, int width) {
  return {text(0, 0, 900, "Report Date:"),
          {.kind = C::DateStamp,
           .number = 2,
           .x = 900,
           .y = 0,
           .width = 1200,
           .height = 200,
           .text = "<-- Date Stamp -->",
           .picture = "@d17"},
          text(0, 0, width, title, kTitleFont, rt::ReportAlign::Center)};
}

ReportBand pageFooter(int x, int y, int width) {
  return {.kind = BandKind::PageFooter,
          .x = x,
          .y = y,
          .width = width,
          .height = 219,
          .controls = {{.kind = C::PageNumber,
                        .x = 0,
                        .y = 20,
                        .width = width,
                        .height = 180,
                        .picture = "pPage <<<#p",
                        .align = rt::ReportAlign::Right}}};
}

int addPrompted(std::vector<ReportControl>& out, int x, int y, int promptWidth, int fieldWidth,
                std::initializer_list<Prompted> rows, int rowHeight) {
  for (const Prompted& r : rows) {
    out.push_back(text(x, y, promptWidth, r.prompt));
    out.push_back(field(x + promptWidth + 50, y, fieldWidth, r.field, r.picture));
    y += rowHeight;
  }
  return y;
}

std::vector<ReportBand> cardBands(const char* title, std::vector<ReportControl> detail,
                                  int detailHeight, std::vector<ReportControl> footer) {
  ReportBand header{.kind = BandKind::PageHeader,
                    .x = kCardPage.bodyX,
                    .y = 500,
                    .width = kCardWidth,
                    .height = 400,
                    .controls = topLine(title, kCardWidth)};
  header.controls.push_back({.kind = C::Line, .x = 0, .y = 300, .width = kCardWidth});
  ReportBand bottom =
      pageFooter(kCardPage.bodyX, kCardPage.bodyY + kCardPage.bodyHeight + 100, kCardWidth);
  for (ReportControl& c : footer) bottom.controls.push_back(std::move(c));
  return {std::move(header),
          {.number = 3, .width = kCardWidth, .height = detailHeight, .controls = std::move(detail)},
          std::move(bottom)};
}

std::vector<ReportBand> gridBands(const char* title, int headerHeight, int boxHeight,
                                  int detailHeight, const std::vector<Row>& rows,
                                  const std::vector<int>& labelY, const std::vector<int>& fieldY) {
  ReportBand header{.kind = BandKind::PageHeader,
                    .x = 1000,
                    .y = 1000,
                    .width = kBandWidth,
                    .height = headerHeight,
                    .controls = topLine(title, kBandWidth)};
  header.controls.push_back({.kind = C::Box,
                             .x = 0,
                             .y = 260,
                             .width = kBandWidth,
                             .height = boxHeight,
                             .fill = kLightGrey});
  ReportBand detail{.number = 3, .width = kBandWidth, .height = detailHeight};
  for (int x : {1500, 3000, 4500}) {
    header.controls.push_back(verticalLine(x, 260, boxHeight));
    detail.controls.push_back(verticalLine(x, 0, detailHeight));
  }
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < 4; ++c) {
      const Place& p = rows[r][c];
      if (!p.field) continue;
      header.controls.push_back(text(kColumnX[c] + 50, labelY[r], 1400, p.label, kLabelFont));
      detail.controls.push_back(field(kColumnX[c] + 52, fieldY[r], 1396, p.field, p.picture));
    }
  return {header, detail, pageFooter(1000, 9000, kBandWidth)};
}

}  // namespace reportparts
