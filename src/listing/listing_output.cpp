#include "listing/listing_output.h"

#include "listing/write_listings.h"
#include "model/coverage_model.h"

void ListingOutput::declarePaths(std::vector<NamedOutput> &paths) const {
  for (const std::unique_ptr<SourceFile> &file : model_.files())
    if (!file->placeholder && file->sourceName)
      paths.push_back({"-LISTING", listingPathOf(*file, folder_), true});
}

void ListingOutput::reportClosed() {
  writeListings(model_, options_, folder_, runTime_);
}
