// The pieces the system's reports are drawn from, so every report looks alike: its fonts, a
// label, a field through its picture, the header's date line with the title, the footer's
// page number, and the grid of labelled fields that the listings print.
#pragma once

#include <array>
#include <vector>

#include "runtime/ui/Report.h"

namespace reportparts {

extern const rt::ReportFont kTitleFont;
extern const rt::ReportFont kLabelFont;
extern const rt::ReportFont kTextFont;

inline constexpr int kTextHeight = 170;

rt::ReportControl text(int x, int y, int width, const char* t,
                       const rt::ReportFont& font = kTextFont,
                       rt::ReportAlign align = rt::ReportAlign::Left);
rt::ReportControl field(int x, int y, int width, const char* name, const char* picture);

// "Report Date:", the date stamp (control 2) and the title in the middle, at the band's top.
std::vector<rt::ReportControl> topLine(const char* title, int width);
// The page number at the right of a footer band placed at (x, y).
rt::ReportBand pageFooter(int x, int y, int width);

// A label and its field on each row, one row under the other from y; the y after the last.
struct Prompted {
  const char* prompt;
  const char* field;
  const char* picture;
};
inline constexpr int kRow = 180;
int addPrompted(std::vector<rt::ReportControl>& out, int x, int y, int promptWidth, int fieldWidth,
                std::initializer_list<Prompted> rows, int rowHeight = kRow);

// A card report: one detail band per record, as tall as it needs, under a header of the
// date line and a rule, with the page number in the footer after what the footer is given.
inline constexpr int kCardWidth = 6500;
inline constexpr rt::ReportPage kCardPage{
    .bodyX = 1000, .bodyY = 1000, .bodyWidth = kCardWidth, .bodyHeight = 9300};
std::vector<rt::ReportBand> cardBands(const char* title, std::vector<rt::ReportControl> detail,
                                      int detailHeight, std::vector<rt::ReportControl> footer = {});

// A grid report: a grey box in the header with the labels in four columns parted by lines,
// and a detail band with the same lines and each field under its label's place. Rows of
// labels and of fields are placed at the given heights.
struct Place {
  const char* label;
  const char* field;
  const char* picture;
};
using Row = std::array<Place, 4>;

std::vector<rt::ReportBand> gridBands(const char* title, int headerHeight, int boxHeight,
                                      int detailHeight, const std::vector<Row>& rows,
                                      const std::vector<int>& labelY,
                                      const std::vector<int>& fieldY);

}  // namespace reportparts
