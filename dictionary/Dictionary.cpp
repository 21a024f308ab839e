#include "dictionary/Dictionary.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "runtime/text/Dates.h"

rt::FileManager* DomainsManager = nullptr;
rt::FileManager* RegistrarsManager = nullptr;
rt::FileManager* HostsManager = nullptr;
rt::FileManager* WebPagesManager = nullptr;
rt::FileManager* WPMetaManager = nullptr;
rt::FileManager* WPLinksManager = nullptr;
rt::FileManager* WPIMGManager = nullptr;
rt::FileManager* WPFormManager = nullptr;
rt::FileManager* WPScriptsManager = nullptr;
rt::FileManager* IntlinkManager = nullptr;
rt::FileManager* DnotesManager = nullptr;
rt::FileManager* EditorManager = nullptr;
rt::FileManager* DOSManager = nullptr;
rt::FileManager* DOS1Manager = nullptr;

rt::FileRelations* DomainsRelations = nullptr;
rt::FileRelations* RegistrarsRelations = nullptr;
rt::FileRelations* HostsRelations = nullptr;
rt::FileRelations* WebPagesRelations = nullptr;
rt::FileRelations* WPMetaRelations = nullptr;
rt::FileRelations* WPLinksRelations = nullptr;
rt::FileRelations* WPIMGRelations = nullptr;
rt::FileRelations* WPFormRelations = nullptr;
rt::FileRelations* WPScriptsRelations = nullptr;
rt::FileRelations* IntlinkRelations = nullptr;
rt::FileRelations* DnotesRelations = nullptr;
rt::FileRelations* EditorRelations = nullptr;
rt::FileRelations* DOSRelations = nullptr;
rt::FileRelations* DOS1Relations = nullptr;

namespace {

// A keyed file's manager that binds the file's memo by its name after the fields.
class DictFileManager : public rt::FileManager {
 public:
  void BindFields(rt::FieldBinder& binder) override {
    rt::FileManager::BindFields(binder);
    if (keyedFile() && !keyedFile()->desc().memos.empty() && !keyedFile()->memoBuffers().empty())
      binder.bindMemo(keyedFile()->desc().memos[0].name, keyedFile()->memoBuffers()[0],
                      keyedFile()->desc().memos[0].size);
  }
};

// A new note is dated today before the user types anything.
class DnotesFileManager : public DictFileManager {
 public:
  void PrimeNewRecord() override {
    DNO.DATE = rt::TODAY();
    DictFileManager::PrimeNewRecord();
  }
};

// Releasing a pair through its relation manager also shuts its file manager down and
// clears both global pointers.
class DictRelations : public rt::FileRelations {
 public:
  DictRelations(rt::FileManager** fm, rt::FileRelations** self) : fm_(fm), self_(self) {}
  void Teardown() override {
    if (*fm_) {
      (*fm_)->Kill();
      delete *fm_;
      *fm_ = nullptr;
    }
    rt::FileRelations::Teardown();
    *self_ = nullptr;
  }

 private:
  rt::FileManager** fm_;
  rt::FileRelations** self_;
};

struct Pair {
  const char* label;
  rt::KeyedFile* keyed;  // or
  rt::LineFile* line;
  rt::FileManager** manager;
  rt::FileRelations** relations;
  bool notes;  // dnotes: its own PrimeNewRecord
};

const Pair kPairs[] = {
    {"Domains", &Domains, nullptr, &DomainsManager, &DomainsRelations, false},
    {"Registrars", &Registrars, nullptr, &RegistrarsManager, &RegistrarsRelations, false},
    {"Hosts", &Hosts, nullptr, &HostsManager, &HostsRelations, false},
    {"WebPages", &WebPages, nullptr, &WebPagesManager, &WebPagesRelations, false},
    {"WPMeta", &WPMeta, nullptr, &WPMetaManager, &WPMetaRelations, false},
    {"WPLinks", &WPLinks, nullptr, &WPLinksManager, &WPLinksRelations, false},
    {"WPIMG", &WPIMG, nullptr, &WPIMGManager, &WPIMGRelations, false},
    {"WPForm", &WPForm, nullptr, &WPFormManager, &WPFormRelations, false},
    {"WPScripts", &WPScripts, nullptr, &WPScriptsManager, &WPScriptsRelations, false},
    {"Intlink", &Intlink, nullptr, &IntlinkManager, &IntlinkRelations, false},
    {"dnotes", &dnotes, nullptr, &DnotesManager, &DnotesRelations, true},
    {"Editor", &Editor, nullptr, &EditorManager, &EditorRelations, false},
    {"DOS", nullptr, &DOS, &DOSManager, &DOSRelations, false},
    {"DOS1", nullptr, &DOS1, &DOS1Manager, &DOS1Relations, false},
};

// Parent to child and the two keys whose first fields are linked: the child's key lists the
// children of one parent. Every one deletes its children with the parent and changes nothing
// on update.
struct RelationSpec {
  rt::FileRelations** parent;
  rt::FileRelations** child;
  rt::KeyedFile* parentFile;
  rt::KeyedFile* childFile;
  const char* parentKey;
  const char* childKey;
};

const RelationSpec kRelations[] = {
    {&DomainsRelations, &WebPagesRelations, &Domains, &WebPages, "DOM:name", "WEB:NAMES"},
    {&WebPagesRelations, &WPMetaRelations, &WebPages, &WPMeta, "WEB:Path", "WPM:PagePath"},
    {&WebPagesRelations, &WPLinksRelations, &WebPages, &WPLinks, "WEB:Path", "WPL:PathName"},
    {&WebPagesRelations, &WPFormRelations, &WebPages, &WPForm, "WEB:Path", "WPF:PageName"},
    {&WebPagesRelations, &WPIMGRelations, &WebPages, &WPIMG, "WEB:Path", "WPI:PageName"},
    {&WebPagesRelations, &WPScriptsRelations, &WebPages, &WPScripts, "WEB:Path", "WPS:PageNam"},
};

int firstFieldOf(const rt::FileDesc& d, const char* key) {
  const int k = d.keyIndex(key);
  if (k < 0) throw std::logic_error("no key " + std::string(key) + " in " + d.label);
  return d.keys[static_cast<std::size_t>(k)].components.front();
}

std::unique_ptr<DictRelations> owned[std::size(kPairs)];

const Pair& pairOf(std::string_view label) {
  for (const auto& p : kPairs)
    if (label == p.label) return p;
  throw std::invalid_argument("no data file " + std::string(label));
}

int indexOf(const Pair& p) {
  return static_cast<int>(&p - kPairs);
}

void setUpFileManager(const Pair& p) {
  rt::FileManager* fm = p.notes ? new DnotesFileManager : new DictFileManager;
  *p.manager = fm;
  if (p.keyed) {
    fm->Init(*p.keyed, p.label);
    const auto& keys = p.keyed->desc().keys;
    for (std::size_t k = 0; k < keys.size(); ++k)
      fm->AddKey(static_cast<int>(k), keys[k].description, keys[k].autoNumber);
  } else {
    // The line files have no label text; their names come from the globals at opening.
    fm->Init(*p.line, "");
    const bool page = p.line == &DOS;
    if (page) {
      fm->SetFileName([] { return htmlfilename.str(); });
      p.line->send("/ENDOFRECORD=1,10");
    } else {
      fm->SetFileName([] { return tempfilename.str(); });
    }
    fm->SetCreate(!page);
  }
  fm->SetOpenMode({rt::Access::ReadWrite, rt::Share::DenyWrite});
  fm->SetLockRecover(10);
}

void registerRelations(const Pair& p) {
  rt::FileRelations* self = *p.relations;
  for (std::size_t i = 0; i < std::size(kRelations); ++i) {
    const RelationSpec& r = kRelations[i];
    if (r.child == p.relations && *r.parent) self->AddRelation(**r.parent);
    if (r.parent == p.relations && *r.child) {
      const DictRelation& link = DictionaryRelations()[i];
      self->AddRelation(**r.child, link.childKey, {{link.parentField, link.childField}});
    }
  }
}

}  // namespace

void DictionaryInitFiles(const std::vector<std::string_view>& labels) {
  std::vector<const Pair*> pairs;
  for (auto label : labels) pairs.push_back(&pairOf(label));
  // Every relation manager exists before any pair is set up, so relations can name them.
  for (const Pair* p : pairs) {
    auto& slot = owned[indexOf(*p)];
    slot = std::make_unique<DictRelations>(p->manager, p->relations);
    *p->relations = slot.get();
  }
  for (const Pair* p : pairs) {
    setUpFileManager(*p);
    (*p->relations)->Init(**p->manager);
    registerRelations(*p);
  }
  // A change a killed run left half done is settled before any window shows the files; a
  // parent's part waits for its children's, so the files go round until nothing moves.
  for (bool moved = true; moved;) {
    moved = false;
    for (const Pair* p : pairs)
      if (p->keyed && p->keyed->finishInterruptedChanges()) moved = true;
  }
}

void DictionaryInit() {
  DictionaryInitFiles({"Domains", "dnotes", "WPMeta", "DOS1", "DOS", "Editor", "WebPages", "Hosts",
                       "Registrars", "Intlink", "WPLinks", "WPScripts", "WPForm", "WPIMG"});
}

const std::vector<DictRelation>& DictionaryRelations() {
  static const std::vector<DictRelation> links = [] {
    std::vector<DictRelation> out;
    for (const auto& r : kRelations) {
      const rt::FileDesc& pd = r.parentFile->desc();
      const rt::FileDesc& cd = r.childFile->desc();
      out.push_back({&pd, &cd, cd.keyIndex(r.childKey), firstFieldOf(pd, r.parentKey),
                     firstFieldOf(cd, r.childKey)});
    }
    return out;
  }();
  return links;
}

void RemoveInsertPlaceholders() {
  for (rt::FileManager* fm : {DomainsManager, RegistrarsManager, HostsManager})
    if (fm) fm->RemovePlaceholders();
}

void DictionaryKill() {
  for (const char* label :
       {"Domains", "dnotes", "WPMeta", "DOS1", "DOS", "Editor", "WebPages", "Hosts", "Registrars",
        "Intlink", "WPLinks", "WPScripts", "WPForm", "WPIMG"}) {
    const Pair& p = pairOf(label);
    if (*p.relations) (*p.relations)->Teardown();
    owned[indexOf(p)].reset();
  }
}
