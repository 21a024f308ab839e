// The file manager and relation manager of every data file, made by DictionaryInit and
// released by DictionaryKill. Procedures open their files through the relation managers.
#pragma once

#include <string_view>
#include <vector>

#include "dictionary/Files.h"
#include "dictionary/Globals.h"
#include "runtime/data/FileManager.h"
#include "runtime/data/FileRelations.h"

namespace rt {
class BindTable;
}

extern rt::FileManager* DomainsManager;
extern rt::FileManager* RegistrarsManager;
extern rt::FileManager* HostsManager;
extern rt::FileManager* WebPagesManager;
extern rt::FileManager* WPMetaManager;
extern rt::FileManager* WPLinksManager;
extern rt::FileManager* WPIMGManager;
extern rt::FileManager* WPFormManager;
extern rt::FileManager* WPScriptsManager;
extern rt::FileManager* IntlinkManager;
extern rt::FileManager* DnotesManager;
extern rt::FileManager* EditorManager;
extern rt::FileManager* DOSManager;
extern rt::FileManager* DOS1Manager;

extern rt::FileRelations* DomainsRelations;
extern rt::FileRelations* RegistrarsRelations;
extern rt::FileRelations* HostsRelations;
extern rt::FileRelations* WebPagesRelations;
extern rt::FileRelations* WPMetaRelations;
extern rt::FileRelations* WPLinksRelations;
extern rt::FileRelations* WPIMGRelations;
extern rt::FileRelations* WPFormRelations;
extern rt::FileRelations* WPScriptsRelations;
extern rt::FileRelations* IntlinkRelations;
extern rt::FileRelations* DnotesRelations;
extern rt::FileRelations* EditorRelations;
extern rt::FileRelations* DOSRelations;
extern rt::FileRelations* DOS1Relations;

// All fourteen pairs, in the program's order: Domains, dnotes, WPMeta, DOS1, DOS, Editor,
// WebPages, Hosts, Registrars, Intlink, WPLinks, WPScripts, WPForm, WPIMG.
void DictionaryInit();
void DictionaryKill();

// The pairs of the files named by their labels, in the order given (a program that
// declares fewer files); DictionaryKill releases whatever was made.
void DictionaryInitFiles(const std::vector<std::string_view>& labels);

// A parent-child link between two data files: the child records whose childField equals
// (NOCASE) the parent record's parentField belong to it; the child's key childKey leads
// with childField. The cascade deletes follow these.
struct DictRelation {
  const rt::FileDesc* parent;
  const rt::FileDesc* child;
  int childKey;
  int parentField;
  int childField;
};
// Every link, each parent before its children.
const std::vector<DictRelation>& DictionaryRelations();

// Removes the records that inserts of domains, registrars and hosts reserved and never
// completed (the program ended with a form open). Run at start, before any window opens.
void RemoveInsertPlaceholders();

// Binds every field, memo and global by its name for filter and order expressions.
void BindDictionary(rt::BindTable& table);
