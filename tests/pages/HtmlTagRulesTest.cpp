#include "pages/HtmlTagRules.h"

#include <gtest/gtest.h>

#include "runtime/text/FixedString.h"

#include <string>
#include <vector>

namespace {

struct Image {
  long line;
  std::string source, height, width, path;
};
struct Meta {
  long line;
  std::string name, contents;
};
struct Block {
  long line;
  std::vector<std::string> lines;
};

// Keeps every event as owned values, and the kinds in the order they came.
struct Recorder : HtmlTagSink {
  std::vector<std::pair<long, std::string>> titles, links;
  std::vector<Image> images;
  std::vector<Meta> metas;
  std::vector<Block> scripts, forms;
  std::vector<std::string> order;
  int pendingPasses = 0;
  bool slotsBeyondCountBlank = true;

  void title(const HtmlTitle& t) override {
    titles.emplace_back(t.line, t.title);
    order.push_back("title");
  }
  void image(const HtmlImage& i) override {
    images.push_back({i.line, std::string(i.source), std::string(i.height), std::string(i.width),
                      std::string(i.imagePath)});
    order.push_back("image");
  }
  void link(const HtmlLink& l) override {
    links.emplace_back(l.line, l.link);
    order.push_back("link");
  }
  void meta(const HtmlMeta& m) override {
    metas.push_back({m.line, std::string(m.name), std::string(m.contents)});
    order.push_back("meta");
  }
  void script(const HtmlBlock& b) override {
    scripts.push_back(keep(b));
    order.push_back("script");
  }
  void form(const HtmlBlock& b) override {
    forms.push_back(keep(b));
    order.push_back("form");
  }
  void pendingMessages() override { ++pendingPasses; }

  Block keep(const HtmlBlock& b) {
    Block out{b.line, {}};
    for (int i = 0; i < b.count; ++i) out.lines.emplace_back(b.lines[i]);
    for (int i = b.count; i < HtmlBlock::kSlots; ++i)
      if (!b.lines[i].empty()) slotsBeyondCountBlank = false;
    return out;
  }
};

constexpr std::string_view kDir = "C:\\sites\\example";

// Feeds a page the way the line file splits it: at each line feed; no line after a final one.
Recorder parse(std::string_view page, std::string_view dir = kDir, long* progress = nullptr) {
  Recorder r;
  HtmlTagRules rules(r);
  rules.startPage(dir);
  while (!page.empty()) {
    const std::size_t lf = page.find('\n');
    rules.line(page.substr(0, lf));
    page.remove_prefix(lf == std::string_view::npos ? page.size() : lf + 1);
  }
  rules.finish();
  if (progress) *progress = rules.progress();
  return r;
}

std::string lines(const std::vector<std::string>& ls) {
  std::string out;
  for (const auto& l : ls) out += l + "\n";
  return out;
}

// Renders every event with its values, so two parses can be compared whole.
std::string transcript(const Recorder& r) {
  std::string out;
  for (const auto& [line, t] : r.titles) out += "T" + std::to_string(line) + "|" + t + "\n";
  for (const auto& i : r.images)
    out += "I" + std::to_string(i.line) + "|" + i.source + "|" + i.height + "|" + i.width + "|" +
           i.path + "\n";
  for (const auto& [line, l] : r.links) out += "L" + std::to_string(line) + "|" + l + "\n";
  for (const auto& m : r.metas)
    out += "M" + std::to_string(m.line) + "|" + m.name + "|" + m.contents + "\n";
  for (const auto* blocks : {&r.scripts, &r.forms})
    for (const auto& b : *blocks) {
      out += "B" + std::to_string(b.line);
      for (const auto& l : b.lines) out += "|" + l;
      out += "\n";
    }
  for (const auto& k : r.order) out += k + ",";
  return out;
}

const std::string kSamplePage = lines({
    "<HTML><HEAD><TITLE>Tarn Walks</TITLE>",
    "<meta name=\"description\"",
    "   content=\"Walks around the tarns\">",
    "<Meta Name=\"keywords\" Content=\"tarn, walk\">",
    "<script language=\"JavaScript\">",
    "",
    "  function go() { window.location = \"a.htm\"; }",
    "</SCRIPT><form action=\"/cgi/send\" method=\"post\">",
    "<input type=\"text\" name=\"who\">",
    "</form>",
    "<body><IMG SRC=\"/img/tarn.jpg\" HEIGHT=\"120\" WIDTH=\"200\"><a href=\"b.htm\">B</a>",
    "</body></html>",
});

// ---- line preparation --------------------------------------------------------------------------

TEST(HtmlTagRulesLinePreparation, TagsMatchInAnyCase) {
  const std::vector<std::string> variants = {"lower", "UPPER", "MiXeD"};
  auto cased = [](std::string s, const std::string& how) {
    for (std::size_t i = 0; i < s.size(); ++i) {
      const bool up = how == "UPPER" || (how == "MiXeD" && i % 2 == 0);
      s[i] = static_cast<char>(up ? std::toupper(static_cast<unsigned char>(s[i]))
                                  : std::tolower(static_cast<unsigned char>(s[i])));
    }
    return s;
  };
  for (const auto& how : variants) {
    SCOPED_TRACE(how);
    const Recorder r = parse(lines({
        cased("<title>", how) + "Home" + cased("</title>", how),
        cased("<img src=", how) + "\"a.gif\" " + cased("height=", how) + "\"1\" " +
            cased("width=", how) + "\"2\">",
        cased("<a href=", how) + "\"x.htm\">",
        cased("<meta name=", how) + "\"k\" " + cased("content=", how) + "\"v\">",
        cased("<script>", how) + "s()" + cased("</script>", how),
        cased("<form>", how) + cased("</form>", how),
    }));
    ASSERT_EQ(r.titles.size(), 1u);
    EXPECT_EQ(r.titles[0].second, "Home");
    ASSERT_EQ(r.images.size(), 1u);
    EXPECT_EQ(r.images[0].height, "1");
    EXPECT_EQ(r.images[0].width, "2");
    EXPECT_EQ(r.links.size(), 1u);
    ASSERT_EQ(r.metas.size(), 1u);
    EXPECT_EQ(r.metas[0].contents, "v");
    EXPECT_EQ(r.scripts.size(), 1u);
    EXPECT_EQ(r.forms.size(), 1u);
  }
}

TEST(HtmlTagRulesLinePreparation, CarriageReturnLineEndsParseLikeLineFeedEnds) {
  std::string crlf;
  for (char c : kSamplePage) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::string expected = transcript(parse(kSamplePage));
  EXPECT_EQ(transcript(parse(crlf)), expected);
  EXPECT_NE(expected.find("script,form"), std::string::npos);  // the sample exercises blocks
}

TEST(HtmlTagRulesLinePreparation, CarriageReturnInsideLineEndsWorkingText) {
  const Recorder r = parse("<title>Front\rmatter</title>\n<meta name=\"a\rb\" content=\"c\">\n");
  ASSERT_EQ(r.titles.size(), 1u);
  EXPECT_EQ(r.titles[0].second, "Front");
  ASSERT_EQ(r.metas.size(), 1u);
  // Both values are cut from the working text: the name's closing quote and the whole
  // contents attribute lie beyond it.
  EXPECT_EQ(r.metas[0].name, "a");
  EXPECT_EQ(r.metas[0].contents, "<meta name=");
}

TEST(HtmlTagRulesLinePreparation, LongLineContinuesAsNextRecordWithItsLineNumber) {
  // The record boundary at 255 bytes splits this line; each record is a line to the rules.
  const std::string longLine =
      "<a href=\"first.htm\">" + std::string(240, 'x') + "<a href=\"second.htm\">";
  Recorder r;
  HtmlTagRules rules(r);
  rules.startPage(kDir);
  rules.line("<p>");
  rules.line(longLine);
  rules.line("<a href=\"third.htm\">");
  rules.line("tail <a href=\"fourth.htm\">", true);  // a record split off line 3 by a line file
  rules.line("<a href=\"fifth.htm\">");
  rules.finish();
  ASSERT_EQ(r.links.size(), 5u);
  const std::vector<std::pair<long, std::string>> expected = {
      {2, "first.htm"}, {2, "second.htm"}, {3, "third.htm"}, {3, "fourth.htm"}, {4, "fifth.htm"}};
  EXPECT_EQ(r.links, expected);
  EXPECT_EQ(rules.lineNumber(), 4);
  EXPECT_EQ(rules.records(), 6);
}

TEST(HtmlTagRulesLinePreparation, LiteralAcrossRecordBoundaryIsNotFound) {
  // "href=" starts at byte 253 and ends in the next record.
  const std::string line = std::string(252, 'x') + "href=\"x.htm\"";
  EXPECT_TRUE(parse(line + "\n").links.empty());
}

// A record boundary inside a character leaves a piece of it at either side; the values cut
// at the boundary drop their piece, a whole line's last byte is text of its own.
TEST(HtmlTagRulesLinePreparation, ValuesDropACharacterSplitByTheRecordBoundary) {
  const std::string head = std::string(240, 'x') + "<a href=\"abcde";  // 254 bytes
  struct Case {
    std::string name;
    std::vector<std::pair<std::string, bool>> records;  // as a line file reads them: cut after?
    std::vector<std::string> links;
  };
  const std::vector<Case> cases = {
      {"two-byte", {{head + "\xC3", true}, {"\xA9tail\" <a href=x>", false}}, {"abcde", "tail"}},
      {"four-byte",
       {{head.substr(2) + "\xF0\x9F\x8C", true}, {"\x8Atail\" <a href=x>", false}},
       {"abcde", "tail"}},
      // Windows-1252 text: a high byte after a whole character is a character of its own.
      {"whole at the cut",
       {{head + "e", true}, {"\xA9tail\" <a href=x>", false}},
       {"abcdee", "\xA9tail"}},
      {"not split",
       {{"<a href=\"caf\xC3", false}, {"\xA9\" <a href=x>", false}},
       {"caf\xC3", "\xA9"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder r;
    HtmlTagRules rules(r);
    rules.startPage(kDir);
    bool continues = false;
    for (const auto& [text, cut] : c.records) {
      rules.lineRecord(text, continues, cut);
      continues = cut;
    }
    rules.finish();
    std::vector<std::string> links;
    for (const auto& [line, link] : r.links) links.push_back(link);
    EXPECT_EQ(links, c.links);
  }
  // A long line pushed whole is split the same way.
  const Recorder whole = parse(head + "\xC3\xA9tail\" <a href=x>\n");
  ASSERT_EQ(whole.links.size(), 2u);
  EXPECT_EQ(whole.links[0].second, "abcde");
  EXPECT_EQ(whole.links[1].second, "tail");
}

// A record is text as it stands: a CR left at its end by the line file is not a line end.
TEST(HtmlTagRulesLinePreparation, RecordsKeepTheirCarriageReturns) {
  Recorder r;
  HtmlTagRules rules(r);
  rules.startPage(kDir);
  for (const char* text : {"<script>", "\r", "</script>"}) rules.lineRecord(text, false, false);
  rules.finish();
  ASSERT_EQ(r.scripts.size(), 1u);
  EXPECT_EQ(r.scripts[0].lines, (std::vector<std::string>{"<script>", "", "</script>"}));
}

TEST(HtmlTagRulesLinePreparation, PageWithoutTagsGivesNothing) {
  long progress = 0;
  const Recorder r =
      parse(lines({"plain text", "", "   ", "a = b < c", "imgsrc=\"x\" meta  name=\"y\""}), kDir,
            &progress);
  EXPECT_TRUE(r.order.empty());
  EXPECT_EQ(progress, 10);  // two steps of the progress counter per line
  EXPECT_TRUE(parse("").order.empty());
}

// ---- quoted values -----------------------------------------------------------------------------

TEST(HtmlTagRulesQuotedValue, PositionArithmeticOnTheLineAsRead) {
  struct Case {
    std::string line, value;
  };
  const std::vector<Case> cases = {
      {"<a href=\"x.htm\">", "x.htm"},
      {"<a href=\"\">", ""},
      {"<a href=\"x.htm>go", "x.htm>go"},            // one quote: rest of the line
      {"<a href=\"x.htm   ", "x.htm"},               // rest of the line, clipped
      {"<a href=x.htm>", "<a href=x.htm>"},          // no quote: the whole line
      {"<a class=\"c\" href=x.htm>", "<a class="},   // quotes only before: up to the first
      {"\"<a href=x.htm>", ""},                      // the first quote opens the line
      {"<a href=x.htm title=\"Top\">", "Top"},       // quotes of a later attribute
      {"<a href=x.htm title=\"Top>", "Top>"},        // a later attribute, one quote
      {"<a href = \"x.htm\">", ""},                  // "href =" is not the literal
      {"<a href=  \"sp ace.htm\" >", "sp ace.htm"},  // blanks before the quote
      {"<a href=\"" + std::string(230, 'p') + "\">", std::string(200, 'p')},  // cut to 200
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const Recorder r = parse(c.line + "\n");
    if (c.line.find("href =") != std::string::npos) {
      EXPECT_TRUE(r.links.empty());
      continue;
    }
    ASSERT_EQ(r.links.size(), 1u);
    EXPECT_EQ(r.links[0].second, c.value);
  }
}

TEST(HtmlTagRulesQuotedValue, CutNeverSplitsUtf8Character) {
  const std::string value = std::string(199, 'a') + "\xC3\xA9" + "b";  // é straddles byte 200
  const Recorder r = parse("<a href=\"" + value + "\">\n");
  ASSERT_EQ(r.links.size(), 1u);
  EXPECT_EQ(r.links[0].second, std::string(199, 'a'));
}

TEST(HtmlTagRulesQuotedValue, CutsExactlyLikeTheRecordFields) {
  for (const std::string ch : {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x8C\x8A"}) {
    for (int lead = 70; lead <= 200; ++lead) {
      const std::string value = std::string(static_cast<std::size_t>(lead), 'a') + ch + ch + "z";
      SCOPED_TRACE(std::to_string(lead) + " bytes before a " + std::to_string(ch.size()) +
                   "-byte character");
      const Recorder r = parse("<title>" + value + "</title>\n<a href=\"" + value + "\">\n");
      ASSERT_EQ(r.links.size(), 1u);
      EXPECT_EQ(r.links[0].second, rt::Str<200>(value).str());
      ASSERT_EQ(r.titles.size(), 1u);
      EXPECT_EQ(r.titles[0].second, rt::Str<80>(rt::Str<128>(value).clip()).str());
    }
  }
}

// ---- title -------------------------------------------------------------------------------------

TEST(HtmlTagRulesTitle, TextBetweenTags) {
  struct Case {
    std::string page, title;
  };
  const std::vector<Case> cases = {
      {"<title>Home</title>", "Home"},
      {"<head><TITLE>  Spaced  </TITLE></head>", "  Spaced"},
      {"<title>Unclosed title text   ", "Unclosed title text"},
      {"<title></title>", ""},
      {"</title><title>Swapped", "Swapped"},  // the closing tag counts only after the opening
      {"<title>" + std::string(100, 't') + "</title>", std::string(80, 't')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page);
    const Recorder r = parse(c.page + "\n");
    ASSERT_EQ(r.titles.size(), 1u);
    EXPECT_EQ(r.titles[0].second, c.title);
  }
}

TEST(HtmlTagRulesTitle, LaterTitleReplacesEarlierAndAbsentTitleGivesNone) {
  const Recorder r = parse(lines({"<title>One</title>", "x", "<title>Two</title><title>Three"}));
  ASSERT_EQ(r.titles.size(), 2u);  // one per line
  EXPECT_EQ(r.titles.back(), std::make_pair(3L, std::string("Two")));
  EXPECT_TRUE(parse(lines({"<html>", "<title", "</title>"})).titles.empty());
}

// ---- images ------------------------------------------------------------------------------------

TEST(HtmlTagRulesImage, SourceSizesAndLocalPath) {
  struct Case {
    std::string line, dir;
    Image expected;
  };
  const std::vector<Case> cases = {
      {"<IMG SRC=\"/images/logo.gif\" HEIGHT=\"60\" WIDTH=\"120\">",
       std::string(kDir),
       {1, "/images/logo.gif", "60", "120", "C:\\sites\\example/images/logo.gif"}},
      {"<img src=\"\\pics\\a.jpg\">",
       "/home/me/site  ",
       {1, "\\pics\\a.jpg", "", "", "/home/me/site/pics\\a.jpg"}},
      {"<img src=\"a.png\" width=\"10\">", "", {1, "a.png", "", "10", "/a.png"}},
      {"<td height=\"5\"><img src=\"b.png\">",  // height= before the image still counts
       "d",
       {1, "b.png", "5", "", "d/b.png"}},
      {"<img src=logo.gif>",  // no quote on the line: the whole line
       "d",
       {1, "<img src=logo.gif>", "", "", "d/<img src=logo.gif>"}},
      {"<img src=\"x.gif\" height=40 width=\"30\">",  // an unquoted size takes the next quoted
       "d",
       {1, "x.gif", "30", "30", "d/x.gif"}},
      {"<img src=\"" + std::string(120, 'q') + ".gif\">",
       "dir",
       {1, std::string(120, 'q') + ".gif", "", "", "dir/" + std::string(76, 'q')}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const Recorder r = parse(c.line + "\n", c.dir);
    ASSERT_EQ(r.images.size(), 1u);
    const Image& i = r.images[0];
    EXPECT_EQ(i.source, c.expected.source);
    EXPECT_EQ(i.height, c.expected.height);
    EXPECT_EQ(i.width, c.expected.width);
    EXPECT_EQ(i.path, c.expected.path);
    EXPECT_EQ(i.line, 1);
  }
}

TEST(HtmlTagRulesImage, OnlyTheExactLiteralAndOnlyTheFirstImage) {
  for (const std::string line : {"<img  src=\"a.gif\">", "<img src =\"a.gif\">",
                                 "<img\tsrc=\"a.gif\">", "<img alt=\"x\" src=\"a.gif\">"}) {
    SCOPED_TRACE(line);
    EXPECT_TRUE(parse(line + "\n").images.empty());
  }
  const Recorder r = parse("<img src=\"one.gif\"><img src=\"two.gif\" height=\"9\">\n");
  ASSERT_EQ(r.images.size(), 1u);
  EXPECT_EQ(r.images[0].source, "one.gif");
  EXPECT_EQ(r.images[0].height, "9");  // the first height= of the line, wherever it stands
}

// ---- links -------------------------------------------------------------------------------------

TEST(HtmlTagRulesLink, FirstLinkOfEachLineAsWritten) {
  const Recorder r = parse(lines({
      "<a href=\"one.htm\">1</a> <a href=\"two.htm\">2</a>",
      "<link rel=\"stylesheet\" HREF=\"/css/../site.css\">",
      "<a name=\"top\">",
  }));
  const std::vector<std::pair<long, std::string>> expected = {{1, "one.htm"},
                                                              {2, "/css/../site.css"}};
  EXPECT_EQ(r.links, expected);
}

// ---- meta tags ---------------------------------------------------------------------------------

TEST(HtmlTagRulesMeta, NameAndContentsOnOneLine) {
  struct Case {
    std::string line, name, contents;
  };
  const std::vector<Case> cases = {
      {"<meta name=\"keywords\" content=\"a, b\">", "keywords", "a, b"},
      {"<META content=\"first\" NAME=\"x\">", "", ""},  // "meta name=" is not on the line
      {"<meta name=\"author\" content=\"Ann Lee   \">", "author", "Ann Lee"},
      {"<meta name=\"" + std::string(30, 'n') + "\" content=\"c\">", std::string(20, 'n'), "c"},
      {"<meta name=\"d\" content=\"" + std::string(150, 'c') + "\">", "d", std::string(128, 'c')},
      {"<meta name=\"\" content=\"\">", "", ""},  // a blank name does not look ahead
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const Recorder r = parse(c.line + "\n<p content=\"later\">\n");
    if (c.line.find("NAME=\"x\"") != std::string::npos) {
      EXPECT_TRUE(r.metas.empty());
      continue;
    }
    ASSERT_EQ(r.metas.size(), 1u);
    EXPECT_EQ(r.metas[0].name, c.name);
    EXPECT_EQ(r.metas[0].contents, c.contents);
  }
}

TEST(HtmlTagRulesMeta, ContentsOnALaterLineHideTheLinesInBetween) {
  const Recorder r = parse(lines({
      "<meta name=\"description\"",              // 1
      "  lang=\"en\" <a href=\"skipped.htm\">",  // 2: passed over by the look-ahead
      "",                                        // 3
      "  content=\"Found it\" <title>No</title> <a href=\"ending.htm\"> <script>x()</script>",
      "<a href=\"after.htm\">",  // 5
  }));
  ASSERT_EQ(r.metas.size(), 1u);
  EXPECT_EQ(r.metas[0].name, "description");
  EXPECT_EQ(r.metas[0].contents, "Found it");
  EXPECT_EQ(r.metas[0].line, 1);
  EXPECT_TRUE(r.titles.empty());  // the ending line is seen by the block rules only
  ASSERT_EQ(r.scripts.size(), 1u);
  EXPECT_EQ(r.scripts[0].line, 4);
  const std::vector<std::pair<long, std::string>> links = {{5, "after.htm"}};
  EXPECT_EQ(r.links, links);
  EXPECT_EQ(r.pendingPasses, 4);  // the meta line and three look-ahead lines
}

TEST(HtmlTagRulesMeta, EmptyContentsLookAheadToTheEnd) {
  // Found at the very end of the page.
  Recorder r = parse(lines({"<meta name=\"k\" content=\"\">", "<p>", "<p content=\"last\">"}));
  ASSERT_EQ(r.metas.size(), 1u);
  EXPECT_EQ(r.metas[0].contents, "last");
  // Never found: written with blank contents once the file ends.
  r = parse(lines({"<meta name=\"k\" content=\"\">", "<a href=\"x.htm\">", "<form>"}));
  ASSERT_EQ(r.metas.size(), 1u);
  EXPECT_EQ(r.metas[0].contents, "");
  EXPECT_TRUE(r.links.empty());
  // The line the look-ahead ended on, the last one, still gets the block rules.
  ASSERT_EQ(r.forms.size(), 1u);
  EXPECT_EQ(r.forms[0].line, 3);
  EXPECT_EQ(r.order, (std::vector<std::string>{"meta", "form"}));
  // The meta tag on the last line: nothing to look at.
  r = parse("<meta name=\"k\"><script>\n");
  EXPECT_EQ(r.order, (std::vector<std::string>{"meta", "script"}));
}

TEST(HtmlTagRulesMeta, EachMetaTagLooksAheadOnItsOwn) {
  const Recorder r = parse(lines({
      "<meta name=\"a\">",
      "<meta name=\"b\">",  // passed over: its name is never seen
      "content=\"for a\"",
      "<meta name=\"c\" content=\"for c\">",
  }));
  ASSERT_EQ(r.metas.size(), 2u);
  EXPECT_EQ(r.metas[0].name, "a");
  EXPECT_EQ(r.metas[0].contents, "for a");
  EXPECT_EQ(r.metas[1].name, "c");
  EXPECT_EQ(r.metas[1].line, 4);
}

// ---- script and form blocks --------------------------------------------------------------------

// A block that starts on line 1 with `body` lines in between, `blanks` blank lines mixed in.
std::string blockPage(const std::string& open, const std::string& close, int body, bool closed,
                      int blanks = 0) {
  std::vector<std::string> ls = {open};
  for (int i = 1; i <= body; ++i) {
    ls.push_back("  line " + std::to_string(i));
    if (i <= blanks) ls.push_back(i % 2 ? "" : "    ");
  }
  if (closed) ls.push_back(close);
  ls.push_back("<a href=\"after.htm\">");
  return lines(ls);
}

TEST(HtmlTagRulesBlock, SlotCountsAtTheFortyLineLimit) {
  struct Case {
    const char* what;
    int body;
    bool closed;
    int blanks;
    std::size_t slots;
    bool lastIsClose;
    std::size_t linksAfter;  // links the main loop sees once the block has ended
  };
  const std::vector<Case> cases = {
      {"closed on line 2", 0, true, 0, 2, true, 1},
      {"closed on line 39", 37, true, 0, 39, true, 1},
      {"closed on line 40", 38, true, 0, 40, true, 1},
      {"closed on line 41", 39, true, 0, 39, false, 1},
      {"unclosed, 50 lines", 49, false, 0, 39, false, 1},
      {"closed on line 40 with blank lines inside", 38, true, 12, 40, true, 1},
      {"unclosed, 50 lines with blank lines inside", 49, false, 10, 39, false, 1},
  };
  for (bool script : {true, false}) {
    const std::string open = script ? "<SCRIPT type=\"text/javascript\">" : "<Form action=\"go\">";
    const std::string close = script ? "</Script>" : "</FORM>";
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (script ? " script" : " form"));
      const Recorder r = parse(blockPage(open, close, c.body, c.closed, c.blanks));
      const auto& blocks = script ? r.scripts : r.forms;
      ASSERT_EQ(blocks.size(), 1u);
      const Block& b = blocks[0];
      EXPECT_EQ(b.line, 1);
      ASSERT_EQ(b.lines.size(), c.slots);
      EXPECT_EQ(b.lines[0], open);
      EXPECT_EQ(b.lines[1], c.body ? "line 1" : close);  // leading blanks dropped
      EXPECT_EQ(b.lines.back() == close, c.lastIsClose);
      EXPECT_EQ(r.links.size(), c.linksAfter);
      EXPECT_TRUE(r.slotsBeyondCountBlank);
    }
    SCOPED_TRACE(script ? "one-line script" : "one-line form");
    const Recorder one = parse("  " + open + "x = 1;" + close + "\n<a href=\"after.htm\">\n");
    const auto& blocks = script ? one.scripts : one.forms;
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].lines, std::vector<std::string>{open + "x = 1;" + close});
    EXPECT_EQ(one.links.size(), 1u);
  }
}

TEST(HtmlTagRulesBlock, UnclosedBlockLeavesItsTailToTheMainLoop) {
  std::vector<std::string> ls = {"<script>"};
  for (int i = 2; i <= 50; ++i)
    ls.push_back(i == 20 || i == 45 ? "<a href=\"l" + std::to_string(i) + ".htm\">" : "x");
  const Recorder r = parse(lines(ls));
  ASSERT_EQ(r.scripts.size(), 1u);
  EXPECT_EQ(r.scripts[0].lines.size(), 39u);
  const std::vector<std::pair<long, std::string>> links = {{45, "l45.htm"}};
  EXPECT_EQ(r.links, links);
}

TEST(HtmlTagRulesBlock, LinesAreWorkingTextWithoutLeadingBlanksCutTo200) {
  const std::string longCode = std::string(10, ' ') + std::string(240, 'c');
  const Recorder r = parse(lines({"   <script>", longCode, "\t</script>   "}));
  ASSERT_EQ(r.scripts.size(), 1u);
  const std::vector<std::string> expected = {"<script>", std::string(200, 'c'), "\t</script>"};
  EXPECT_EQ(r.scripts[0].lines, expected);
}

TEST(HtmlTagRulesBlock, FormAndScriptOnOneLine) {
  // Both close on the line: script first, then form.
  Recorder r = parse("<form><script>a()</script></form>\n");
  EXPECT_EQ(r.order, (std::vector<std::string>{"script", "form"}));
  // A form on the line that starts a longer script is never seen: the form rule runs on the
  // line that closes the script.
  r = parse(lines({"<script><form>", "b()", "</script>", "<p>"}));
  EXPECT_EQ(r.order, (std::vector<std::string>{"script"}));
  // A form that starts on the line closing a script.
  r = parse(lines({"<script>", "c()", "</script><form action=\"x\">", "<input>", "</form>"}));
  ASSERT_EQ(r.forms.size(), 1u);
  EXPECT_EQ(r.forms[0].line, 3);
  EXPECT_EQ(r.forms[0].lines,
            (std::vector<std::string>{"</script><form action=\"x\">", "<input>", "</form>"}));
  // A script inside a form is part of the form.
  r = parse(lines({"<form>", "<script>d()</script>", "</form>"}));
  EXPECT_EQ(r.order, (std::vector<std::string>{"form"}));
}

TEST(HtmlTagRulesBlock, BlocksOpenAtTheEndOfTheFile) {
  // An unclosed script ends with the file; the form rule then runs on the last line read.
  Recorder r = parse(lines({"<script>", "e()", "<form name=\"f\">", "", "  "}));
  ASSERT_EQ(r.scripts.size(), 1u);
  EXPECT_EQ(r.scripts[0].lines.size(), 3u);
  EXPECT_TRUE(r.forms.empty());  // the last line read is blank
  r = parse(lines({"<script>", "e()", "<form name=\"f\">"}));
  ASSERT_EQ(r.forms.size(), 1u);
  EXPECT_EQ(r.forms[0].line, 3);
  EXPECT_EQ(r.forms[0].lines, (std::vector<std::string>{"<form name=\"f\">"}));
  // A block opening on the last line is that one line.
  r = parse("<p><form>");
  ASSERT_EQ(r.forms.size(), 1u);
  EXPECT_EQ(r.forms[0].lines, (std::vector<std::string>{"<p><form>"}));
}

TEST(HtmlTagRulesBlock, StartLineWithBlankWorkingTextWritesNothing) {
  // The tag stands after a carriage return, so slot 1 (the working text) is blank.
  const Recorder r = parse(lines({"   \r<script>", "x()", "</script>"}));
  EXPECT_TRUE(r.scripts.empty());
}

// ---- one record of each kind per line, and line numbers -----------------------------------

TEST(HtmlTagRulesOnePerLine, RecordsOfOneLineComeInRuleOrder) {
  const Recorder r = parse(
      "<form></form><script></script><meta name=\"m\" content=\"c\"><a href=\"l\">"
      "<img src=\"i\"><img src=\"j\"><a href=\"k\"><meta name=\"n\" content=\"d\">\n");
  EXPECT_EQ(r.order, (std::vector<std::string>{"image", "link", "meta", "script", "form"}));
  EXPECT_EQ(r.images[0].source, "i");
  EXPECT_EQ(r.links[0].second, "l");
  EXPECT_EQ(r.metas[0].name, "m");
}

TEST(HtmlTagRulesOnePerLine, LineNumbersAreTruePositionsInTheFile) {
  const Recorder r = parse(lines({
      "<html>",                      // 1
      "<meta name=\"k\">",           // 2
      "",                            // 3
      "content=\"v\">",              // 4
      "<script>",                    // 5
      "",                            // 6
      "f()",                         // 7
      "</script>",                   // 8
      "<a href=\"x\">",              // 9
      "<form>",                      // 10
      "</form><img src=\"i.gif\">",  // 11: seen by the block rules only
      "<img src=\"j.gif\">",         // 12
  }));
  EXPECT_EQ(r.metas[0].line, 2);
  EXPECT_EQ(r.scripts[0].line, 5);
  EXPECT_EQ(r.links[0].first, 9);
  EXPECT_EQ(r.forms[0].line, 10);
  ASSERT_EQ(r.images.size(), 1u);
  EXPECT_EQ(r.images[0].line, 12);
}

TEST(HtmlTagRulesOnePerLine, ProgressCounterFollowsThePageForm) {
  long progress = 0;
  parse(lines({"<a href=\"x\"><img src=\"y\">", "<script>", "", "z()", "</script>"}), kDir,
        &progress);
  // line 1: read, image, link, end of pass = 4; script: read, 3 slots, record, end = 6
  EXPECT_EQ(progress, 10);
}

TEST(HtmlTagRulesOnePerLine, StartPageResetsAnOpenBlock) {
  Recorder r;
  HtmlTagRules rules(r);
  rules.startPage(kDir);
  rules.line("<script>");
  rules.line("half");
  rules.startPage(kDir);  // the previous page was abandoned
  rules.line("<a href=\"p2.htm\">");
  rules.finish();
  EXPECT_TRUE(r.scripts.empty());
  ASSERT_EQ(r.links.size(), 1u);
  EXPECT_EQ(r.links[0].first, 1);
}

}  // namespace
