#pragma once
// The survey store's binding of a site file on the disk, read through the
// one site loader (header, plan, fingerprint), for the tools and the new
// site that open a store without opening the survey.

#include <cstdint>
#include <string>

#include "store/StoreBinding.h"

// The binding of the file at `sitePath` and its plan's size; false with
// Open's text in `why`.
bool ReadSiteBinding(const std::string& sitePath, StoreBinding& out, std::string& why,
                     int32_t* width = nullptr, int32_t* height = nullptr);
