// The page reports (every page, one domain's pages, a page's scripts and forms) and the
// image reports (the image shown, a page's images, a domain's images) with the window that
// asks for the domain.
#pragma once

#include "runtime/ui/Report.h"

namespace pages {

void webpagereport();
void listwebpages();
void PrintScript();
void printform();
void PrintImage();
void PrintImage2();
void PrintImage3();
void preimgreport();

const rt::ReportTable& webpagereportReport();
const rt::ReportTable& listwebpagesReport();
const rt::ReportTable& PrintScriptReport();
const rt::ReportTable& printformReport();
const rt::ReportTable& PrintImageReport();
const rt::ReportTable& PrintImage2Report();
const rt::ReportTable& PrintImage3Report();

}  // namespace pages
