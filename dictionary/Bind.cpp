// Names for filter and order expressions: every field by its prefixed name, the memos and
// the program's globals.
#include "dictionary/Dictionary.h"

#include "runtime/expr/BindTable.h"

namespace {

class TableBinder : public rt::FieldBinder {
 public:
  explicit TableBinder(rt::BindTable& t) : table_(t) {}
  void bindFields(const rt::FileDesc& desc, const void* record) override {
    table_.bindFile(desc, record);
  }
  void bindMemo(std::string_view name, const char* buffer, std::size_t size) override {
    table_.bindMemo(name, buffer, size);
  }

 private:
  rt::BindTable& table_;
};

}  // namespace

void BindDictionary(rt::BindTable& table) {
  TableBinder binder(table);
  rt::FileManager* const managers[] = {DomainsManager,  RegistrarsManager, HostsManager,
                                       WebPagesManager, WPMetaManager,     WPLinksManager,
                                       WPIMGManager,    WPFormManager,     WPScriptsManager,
                                       IntlinkManager,  DnotesManager,     EditorManager};
  const auto& descs = AllFileDescs();
  for (std::size_t i = 0; i < descs.size(); ++i) {
    const rt::FileDesc& d = *descs[i];
    if (i < std::size(managers) && managers[i]) {
      managers[i]->BindFields(binder);
      continue;
    }
    // Files without a manager (the line files, or before DictionaryInit) bind directly.
    const BufferRef buf = BufferOf(d);
    binder.bindFields(d, buf.record);
    if (buf.memo && !d.memos.empty()) binder.bindMemo(d.memos[0].name, buf.memo, d.memos[0].size);
  }

  table.bind("cptog", cptog);
  table.bind("mypath", mypath);
  table.bind("html", html);
  table.bind("grphx", grphx);
  table.bind("brwsr", brwsr);
  table.bind("txted", txted);
  table.bind("fftp", fftp);
  table.bind("mail", mail);
  table.bind("usr1", usr1);
  table.bind("usr2", usr2);
  table.bind("usr3", usr3);
  table.bind("usr4", usr4);
  table.bind("ubut1", ubut1);
  table.bind("ubut2", ubut2);
  table.bind("ubut3", ubut3);
  table.bind("ubut4", ubut4);
  table.bind("ding", ding);
  table.bind("cpanelopen", cpanelopen);
  table.bind("renewaldue", renewaldue);
  table.bind("domainname", domainname);
  table.bind("newlocaldir", newlocaldir);
  table.bind("queryfilter", queryfilter);
  table.bind("imagepath", imagepath);
  table.bind("statustext", statustext);
  table.bind("counttext", counttext);
  table.bind("pagecount", pagecount);
  table.bind("htmllinecount", htmllinecount);
  table.bind("htmlfilename", htmlfilename);
  table.bind("tempfilename", tempfilename);
  table.bind("CallRequest", CallRequest);
  table.bind("CallResponse", CallResponse);
  table.bind("NavRequest", NavRequest);
}
