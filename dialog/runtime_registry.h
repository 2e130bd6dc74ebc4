// The runtime registry: the process-wide table of named constants and
// procedures the dialog engine consults (ID values, FLAGS items, values of
// numeric attributes, event procedures). Names compare ignoring case.
// Every call takes the registry's own lock, so any thread may use it.
#pragma once

#include <cstdint>
#include <string>

enum class RegistryType : std::uint8_t {
  None,  // not registered
  Integer,
  Float,
  String,
  Procedure,
};

// Registering a name again replaces its value and type.
void Registry_SetInteger(const std::u16string& name, std::int64_t value);
void Registry_SetFloat(const std::u16string& name, double value);
void Registry_SetString(const std::u16string& name, const std::u16string& value);
void Registry_SetProcedure(const std::u16string& name, void* procedure);

RegistryType Registry_Type(const std::u16string& name);

// The value read back as a 64-bit integer: integers as they are, floats
// truncated toward zero (saturating), procedures as their address, strings
// as the address of the registry's own copy (valid until the name is set
// again or removed). False when the name is not registered.
bool Registry_Find(const std::u16string& name, std::int64_t* value);

// The text of a string entry; empty for any other entry.
std::u16string Registry_String(const std::u16string& name);

void Registry_Remove(const std::u16string& name);
void Registry_Clear();
