// The program's global variables: one copy per program, seen by every procedure thread.
// Strings start blank, numbers at 0.
#pragma once

#include <cstdint>

#include "runtime/text/FixedString.h"

extern std::int16_t cptog;  // 1 = open the launcher at start-up
extern rt::Str<128> mypath;
extern rt::Str<120> html;
extern rt::Str<100> grphx;
extern rt::Str<100> brwsr;
extern rt::Str<100> txted;
extern rt::Str<100> fftp;
extern rt::Str<100> mail;
extern rt::Str<100> usr1;
extern rt::Str<100> usr2;
extern rt::Str<100> usr3;
extern rt::Str<100> usr4;
extern rt::Str<10> ubut1;
extern rt::Str<10> ubut2;
extern rt::Str<10> ubut3;
extern rt::Str<20> ubut4;
extern rt::Str<1> ding;
extern rt::Str<1> cpanelopen;
extern rt::Str<20> renewaldue;
extern rt::Str<50> domainname;
extern rt::Str<80> newlocaldir;
constexpr int kQueryFilterSize = 2000;
extern char queryfilter[kQueryFilterSize];  // NUL-terminated, at most 1999 characters
extern rt::Str<80> imagepath;
extern rt::Str<100> statustext;
extern rt::Str<20> counttext;
extern std::int16_t pagecount;
extern double htmllinecount;
extern rt::Str<80> htmlfilename;  // file name of the line file DOS
extern rt::Str<20> tempfilename;  // file name of the line file DOS1
extern std::uint8_t CallRequest;
extern std::uint8_t CallResponse;
extern std::int32_t NavRequest;
