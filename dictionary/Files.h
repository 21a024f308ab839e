// The descriptions of the fourteen data files: fields, keys and memo of each, as the
// keyed-file driver, the bind table and query-by-example read them.
#pragma once

#include <vector>

#include "dictionary/Records.h"
#include "runtime/data/KeyedFile.h"
#include "runtime/data/Layout.h"
#include "runtime/data/LineFile.h"

const rt::FileDesc& DomainsDesc();
const rt::FileDesc& RegistrarsDesc();
const rt::FileDesc& HostsDesc();
const rt::FileDesc& WebPagesDesc();
const rt::FileDesc& WPMetaDesc();
const rt::FileDesc& WPLinksDesc();
const rt::FileDesc& WPIMGDesc();
const rt::FileDesc& WPFormDesc();
const rt::FileDesc& WPScriptsDesc();
const rt::FileDesc& IntlinkDesc();
const rt::FileDesc& DnotesDesc();
const rt::FileDesc& EditorDesc();
// The line files have no disk name of their own: it is taken from a global when opening.
const rt::FileDesc& DOSDesc();
const rt::FileDesc& DOS1Desc();

// All fourteen, keyed files first, in the order above.
const std::vector<const rt::FileDesc*>& AllFileDescs();

// The record buffer (and memo buffer, or nullptr) that belongs to a file description.
struct BufferRef {
  void* record;
  char* memo;
};
BufferRef BufferOf(const rt::FileDesc& desc);

// Key numbers (indexes into a file's keys) spelt after the keys: DOM:name is DOM_name.
constexpr int DOM_name = 0, DOM_HostedBy = 1;
constexpr int REG_name = 0;
constexpr int HOS_name = 0;
constexpr int WEB_NAMES = 0, WEB_Path = 1, WEB_Pages = 2;
constexpr int WPM_PagePath = 0;
constexpr int WPL_PathName = 0;
constexpr int WPI_PageName = 0, WPI_images = 1;
constexpr int WPF_PageName = 0;
constexpr int WPS_PageNam = 0;
constexpr int INL_typeonly = 0, INL_recids = 1, INL_descripts = 2;
constexpr int DNO_pages = 0;

// The data files, named by their labels, for the file statements of the procedures.
extern rt::KeyedFile Domains;
extern rt::KeyedFile Registrars;
extern rt::KeyedFile Hosts;
extern rt::KeyedFile WebPages;
extern rt::KeyedFile WPMeta;
extern rt::KeyedFile WPLinks;
extern rt::KeyedFile WPIMG;
extern rt::KeyedFile WPForm;
extern rt::KeyedFile WPScripts;
extern rt::KeyedFile Intlink;
extern rt::KeyedFile dnotes;
extern rt::KeyedFile Editor;

// A line file and its one-line buffer under one name, as the procedures use it:
// DOS.LINE is the line read, DOS.next() reads it.
struct DOSFile : DOSRecord, rt::LineFile {
  DOSFile();
};
struct DOS1File : DOS1Record, rt::LineFile {
  DOS1File();
};
extern DOSFile DOS;
extern DOS1File DOS1;

// Every record and memo buffer of the program with its size, for per-thread copies.
struct BufferSpan {
  void* data;
  std::size_t size;
};
std::vector<BufferSpan> RecordBuffers();
