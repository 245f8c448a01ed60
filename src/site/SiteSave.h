#pragma once
// Saving a site: the new header, signature and points section go into a copy
// of the file built beside it, which then replaces the file in one rename.
// A failure at any step leaves the old file whole.

#include <cstdint>
#include <string>

#include "site/FileOps.h"
#include "site/SiteFile.h"

class CApList;
class CSiteRecord;

inline constexpr const char* kSiteUpdateCaption = "Site Update Error";
inline constexpr const char* kSiteUpdateText = "Could not update site";
inline constexpr const char* kSiteChangedText =
    "Could not update site\nThe site file has changed on disk since it was opened.";

// Writes `site`'s header image (resetOnSave 0, lastSaveTime `now`), the
// signature grid of `pixel` and `list` as the points section into the site
// file at `path`. The result holds the same bytes an in-place save would
// leave: the old bytes up to pointsOffset with header and signature written
// over them, then the points section. The header image and record buffers of
// `site` change only when the save succeeded. When `site` carries the
// fingerprint of its file, a file on disk that no longer has it is left
// alone (kSiteChangedText), and a successful save gives `site` the new
// file's fingerprint. Any other failure returns
// Fail("Site Update Error", "Could not update site").
SiteStatus SaveSiteFile(const std::string& path, CSiteRecord& site, const SignaturePixelFn& pixel,
                        const CApList& list, uint32_t now, FileOps& ops);
SiteStatus SaveSiteFile(const std::string& path, CSiteRecord& site, const SignaturePixelFn& pixel,
                        const CApList& list, uint32_t now);
