// The form behaviour: a window over one record of a primary file. It takes its request
// from CallRequest, primes a new record (reserving an auto-numbered key), carries a delete
// out without showing itself, shows the action text as its title, and at OK first settles the
// focused control's pending edit, then runs the form's own OK code (the procedure's
// OnAccepted for the OK control, before it calls the base), then stores the record. A refused
// store leaves the form open. Cancel, or closing the window, leaves the record as it was and
// drops a reserved auto-numbered record.
//
//   class UpdateThings : public rt::FormController { ... };
//   UpdateThings w(desc, "UpdateThings");
//   w.SetPrimary(ThingsManager, &ThingsRelations, 33);
//   w.SetActionTexts({"Record Will Be Added", "Record Will Be Changed"});
//   w.bind(5, THI.NAME);
//   w.AddDropList(10, registrarsFile, "REG:COMPANYNAME", THI.REGISTRAR);
//   w.Run();
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/data/FileManager.h"
#include "runtime/data/FileRelations.h"
#include "runtime/ui/ListBrowser.h"

namespace rt {

struct ActionTexts {
  std::string insert = "Record Will Be Added";
  std::string change = "Record Will Be Changed";
  std::string remove;  // empty: the title stays
  std::string view;
};

class FormController : public BrowseController {
 public:
  using BrowseController::BrowseController;
  ~FormController() override;

  // The file the form updates, the manager deleting with its children, and the OK control.
  void SetPrimary(FileManager& file, FileRelations* relations, int okControl);
  void SetActionTexts(ActionTexts texts) { texts_ = std::move(texts); }
  // Controls whose value "Previous value" can put back; empty: every bound control.
  void SetHistoryControls(std::vector<int> controls) { historyControls_ = std::move(controls); }
  // A drop list filled with a field of every record of a file (in record order); choosing
  // an entry copies it into target, cut to the target's width.
  template <std::size_t N>
  void AddDropList(int control, KeyedFile& source, std::string_view field, Str<N>& target) {
    AddDropList(control, source, field, target.data, N);
  }
  void AddDropList(int control, KeyedFile& source, std::string_view field, char* target,
                   std::size_t width);

  FileManager* primary() const { return primary_; }
  // The record as it was when the form started (the save copy).
  const std::string& savedRecord() const { return saved_.record; }
  std::string ActionText() const;

  // Acts on the request through the primary file: primes an insert, carries out a delete.
  // Fatal when the request is settled without the window (the response is then set).
  virtual Flow PrimeRequest();

  Flow Setup() override;
  Flow Teardown() override;
  Flow OnEvent() override;
  Flow OnAccepted() override;
  Flow PerformRequest() override;
  void RecallHistory() override;
  void RefreshItems() override;

 private:
  struct DropList {
    int control;
    KeyedFile* source;
    int field;
    Binding target;
    std::size_t width;
    std::vector<std::string> items;
  };
  void fillDropList(DropList& d);
  void showDropList(const DropList& d);
  void restoreSaved();
  bool settlePendingEdit();

  FileManager* primary_ = nullptr;
  FileRelations* relations_ = nullptr;
  int ok_ = 0;
  ActionTexts texts_;
  std::vector<int> historyControls_;
  std::vector<DropList> dropLists_;
  RecordImage saved_;  // the buffers as the form opened, given back when it is cancelled
  int settling_ = 0;
  bool primedByCaller_ = false;
};

}  // namespace rt
