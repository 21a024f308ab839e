// One relation manager per data file: opens the file together with its related files and
// deletes a record's children with it (the cascade). Changing a parent changes no child.
#pragma once

#include <map>
#include <string_view>
#include <vector>

#include "runtime/data/FileManager.h"

namespace rt {

class FileRelations {
 public:
  // A pair of linked fields: parent field index = child field index (NOCASE for text).
  struct Link {
    int parentField;
    int childField;
  };

  FileRelations() = default;
  virtual ~FileRelations();
  FileRelations(const FileRelations&) = delete;
  FileRelations& operator=(const FileRelations&) = delete;

  void Init(FileManager& file);
  FileManager* file() const { return file_; }

  // A related file that is opened and closed with this one (a child lists its parent so).
  void AddRelation(FileRelations& related);
  // A child file whose records with matching link fields, found through the child's key
  // childKey, are deleted with this file's record.
  void AddRelation(FileRelations& child, int childKey, std::vector<Link> links);

  // Opens the file, then each related file through its own relation manager.
  virtual Status OpenFiles();
  // Closes the same files the same way.
  virtual Status CloseFiles();
  // Shuts the relation manager down: it forgets its file and its relations.
  virtual void Teardown();
  // Sends a driver option to the file, and to the related files when asked.
  virtual void SetDriverOption(std::string_view option, bool related = false);

  // Deletes the current record of the file with every child record down the tree, in one
  // transaction; asks first when `ask`.
  Status DeleteRecord(bool ask = true);

 private:
  struct Relation {
    FileRelations* other;
    bool child;  // false: only opened and closed together
    int childKey;
    std::vector<Link> links;
  };
  template <class Visit>
  void walk(std::vector<FileRelations*>& seen, Visit&& visit);
  bool collectTree(std::vector<KeyedFile*>& files);
  bool deleteChildren();

  FileManager* file_ = nullptr;
  std::vector<Relation> relations_;
  std::map<FileManager*, int> opened_;  // by OpenFiles, not yet closed by CloseFiles
};

}  // namespace rt
