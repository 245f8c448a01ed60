#pragma once
// Saving a site: the new header, signature and points section go into a new
// file built beside the target, which then takes the target's name in one
// rename. A failure at any step leaves the old file whole, and says which
// file and why: "Could not update site\n/media/sd/office.hss: No space left
// on device".
//
// Three saves share the steps:
//   SaveSiteFile  the open site's own file, in place (Save);
//   SaveSiteCopy  what SaveSiteFile would make of a file, written to another
//                 file instead (pellorin-site recover);
//   SaveSiteAs    the open survey to another file, from what the program
//                 holds of the site (Save As; the old file may be gone).

#include <cstdint>
#include <string>

#include "site/FileOps.h"
#include "site/SiteFile.h"

class CApList;
class CSiteRecord;

inline constexpr const char* kSiteUpdateCaption = "Site Update Error";
inline constexpr const char* kSiteUpdateText = "Could not update site";
inline constexpr const char* kSiteWriteText = "Could not write site";  // another file
// Reasons the system has no text for.
inline constexpr const char* kFileChangedReason = "The file changed on disk since it was opened";
inline constexpr const char* kFileGoneReason =
    "The file was removed or renamed since it was opened";

// `what` ("Could not update site"), then the path and the reason on a line
// of their own (the reason alone without a path).
std::string SaveFailureText(const char* what, const std::string& path, const std::string& reason);

// Writes `site`'s header image (resetOnSave 0, lastSaveTime `now`), the
// signature grid of `pixel` and `list` as the points section into the site
// file at `path`. The result holds the same bytes an in-place save would
// leave: the old bytes up to pointsOffset with header and signature written
// over them, then the points section. An empty `pixel` leaves the file's
// signature as it is. The header image and record buffers of `site` change
// only when the save succeeded. When `site` carries the fingerprint of its
// file, a file on disk that no longer has it is left alone
// (kFileChangedReason), and a successful save gives `site` the new file's
// fingerprint. Failures are "Could not update site" under "Site Update
// Error", the path and the reason below, `error` the errno behind it.
SiteStatus SaveSiteFile(const std::string& path, CSiteRecord& site, const SignaturePixelFn& pixel,
                        const CApList& list, uint32_t now, FileOps& ops);
SiteStatus SaveSiteFile(const std::string& path, CSiteRecord& site, const SignaturePixelFn& pixel,
                        const CApList& list, uint32_t now);

// Whether a save to another file may take the place of a file there.
enum class ReplaceExisting { No, Yes };

// The bytes SaveSiteFile(source, ...) would leave, written to `path`; the
// file at `source` is only read (and checked against `site`'s fingerprint
// like a save). `path` must not exist unless `replace` says so (EEXIST);
// it is never a FIFO or a device. Failures say "Could not write site".
SiteStatus SaveSiteCopy(const std::string& source, const std::string& path, CSiteRecord& site,
                        const SignaturePixelFn& pixel, const CApList& list, uint32_t now,
                        ReplaceExisting replace, FileOps& ops);

// Save As: the open survey into a new site file at `path`, laid out as the
// open file's regions were read: the header image at 0 (resetOnSave 0,
// lastSaveTime `now`), the map bitmap section at bitmapOffset as `plan`
// holds it (its stored headers and colour table, then its rows), the
// signature of `pixel` (blank paper when empty) at signatureOffset and the
// points section at pointsOffset, where the file ends. Bytes the program
// never held (between the regions, a header longer than 150 bytes, the part
// of biSizeImage beyond the rows) are zeros. Crash-safe like a save; `path`
// must not exist unless `replace` says so. On success `site` holds the new
// file's header and fingerprint, so later saves go to the new file.
// Failures say "Could not write site".
SiteStatus SaveSiteAs(const std::string& path, CSiteRecord& site, const MapBitmap& plan,
                      const SignaturePixelFn& pixel, const CApList& list, uint32_t now,
                      ReplaceExisting replace, FileOps& ops);
