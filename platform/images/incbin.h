// Resources embedded in the program (the logo), opened by name like files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Embedded resources, opened as "incbin::" + name. The first registration of
// a name stays: 1 when added, 0 when the name was already there.
int IncbinAdd(const std::string& name, const std::uint8_t* data, std::size_t length);
// Drops a registration (for tests and fuzzing, whose buffers do not live for
// the whole run): 1 when it was there, 0 otherwise.
int IncbinRemove(const std::string& name);
// The registered bytes of an embedded resource; empty span and false when
// the name is unknown.
bool IncbinFind(const std::string& name, std::span<const std::uint8_t>* bytes);
