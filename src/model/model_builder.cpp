// The selection of services while an FDC section is read.
#include "model/model_builder.h"

void ModelBuilder::clearCurrentService() {
  current_ = nullptr;
  currentFile_ = nullptr;
  names_ = ServiceNames{};
}

Service &ModelBuilder::selectService(SourceFile &file, NameEntry *name) {
  if (current_ && currentFile_ == &file && current_->name == name) return *current_;

  if (names_.file != &file || names_.indexed > file.services.size()) {
    names_.file = &file;
    names_.indexed = 0;
    names_.byName.clear();
  }
  for (; names_.indexed < file.services.size(); ++names_.indexed) {
    Service *service = file.services[names_.indexed].get();
    names_.byName.try_emplace(service->name, service);
  }

  Service *selected;
  auto found = names_.byName.find(name);
  if (found != names_.byName.end()) {
    selected = found->second;
  } else {
    selected = &model_.addService(file, name);
    names_.byName.emplace(name, selected);
    names_.indexed = file.services.size();
  }
  current_ = selected;
  currentFile_ = &file;
  return *selected;
}
