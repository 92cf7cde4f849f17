// The 44-byte parameter block as a file, exactly as the plug-in saves it:
// read by the command-line tools' --params and written by their save options.
#pragma once

#include <string>

#include "reverb_params.h"

namespace lumbrook {

// Reads or writes a 44-byte block file (as the plug-in saves it). Writing
// goes through a temporary file beside the block file; the old one stays
// whole on failure.
bool ReadParamsFile(const std::string& path, ReverbParams* params, std::string* error);
bool WriteParamsFile(const std::string& path, const ReverbParams& params, std::string* error);

}  // namespace lumbrook
