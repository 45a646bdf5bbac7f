// The open requester's file filter.
#pragma once

#include <string>
#include <vector>

// Filter parsing of RequestFile: descriptions dropped, groups merged, "*"
// meaning no restriction (returns an empty list then).
std::vector<std::string> ParseFileFilter(const std::string& extensions);

// The glob pattern the requester's filter lists files of extension `ext`
// by, in either letter case.
std::string CaseFreePattern(const std::string& ext);
