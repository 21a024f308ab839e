// Generated pages for the benchmarks of the page readings: realistic mixes of titles, meta
// tags, scripts, links, images and forms at a given size.
#pragma once

#include <random>
#include <string>

#include "dictionary/Dictionary.h"

namespace benchpages {

// A page of about `bytes` bytes: head with title, meta tags and a script, then paragraphs
// with links and images, now and then a form.
inline std::string makePage(int index, std::size_t bytes, std::mt19937& rng) {
  const char* end = rng() % 2 ? "\r\n" : "\n";
  std::string out;
  auto put = [&](const std::string& line) {
    out += line;
    out += end;
  };
  put("<html>");
  put("<head>");
  put("<TITLE>Tarn walks, page " + std::to_string(index) + "</TITLE>");
  put("<meta name=\"keywords\" content=\"tarn, walks, fells, water\">");
  put("<meta name=\"description\"");
  put("      content=\"Walks around the tarn and up the fells\">");
  put("<SCRIPT language=\"javascript\">");
  for (int i = 0; i < 8; ++i)
    put("  var step" + std::to_string(i) + " = " + std::to_string(i) + ";");
  put("</script>");
  put("</head>");
  put("<body bgcolor=\"#FFFFFF\">");
  for (int n = 0; out.size() < bytes; ++n) {
    switch (rng() % 8) {
      case 0:
        put("<p><IMG SRC=\"/images/pic" + std::to_string(rng() % 500) +
            ".jpg\" HEIGHT=\"120\" WIDTH=\"200\" ALT=\"the tarn\"></p>");
        break;
      case 1:
        if (rng() % 6 == 0) {
          put("<form action=\"/cgi-bin/mail\" method=\"post\">");
          put("  <input type=\"text\" name=\"email\">");
          put("  <input type=\"submit\" value=\"Send\">");
          put("</form>");
        }
        break;
      case 2:
      case 3:
        put("<p>From the car park <a href=\"walk" + std::to_string(rng() % 900) +
            ".htm\">follow the beck</a> to the stile and on to the tarn.</p>");
        break;
      default:
        put("<p>The path climbs steadily beside the wall, then levels out where the water "
            "comes into view; keep to the left bank until the footbridge.</p>");
    }
  }
  put("</body>");
  put("</html>");
  return out;
}

// Appends the details a read page of that path leaves: 20 links, 5 images, 2 meta tags, a
// script and a form (the detail files open).
inline void appendStoredDetails(const std::string& path) {
  for (int i = 0; i < 20; ++i) {
    WPL.WEBPAGEPATHNAME = path;
    WPL.WEBPAGELINK = "walk" + std::to_string(i) + ".htm";
    WPL.LINENUMBER = 20 + i;
    WPLinks.append();
  }
  for (int i = 0; i < 5; ++i) {
    WPI.WEBPAGEPATHNAME = path;
    WPI.WEBPAGEIMG = "/images/pic" + std::to_string(i) + ".jpg";
    WPIMG.append();
  }
  for (const char* name : {"keywords", "description"}) {
    WPM.WEBPAGEPATH = path;
    WPM.METANAME = name;
    WPM.METACONTENTS = "tarn, walks";
    WPMeta.append();
  }
  WPS.WEBPAGEPATHNAME = path;
  for (int n = 1; n <= 10; ++n) WPS.ScriptLine(n) = "var step = " + std::to_string(n) + ";";
  WPScripts.append();
  WPF.WEBPAGEPATHNAME = path;
  WPF.FormLine(1) = "<form action=\"/cgi-bin/mail\" method=\"post\">";
  WPForm.append();
}

}  // namespace benchpages
