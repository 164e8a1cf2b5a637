#include "stack/ptlib/PObject.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace {
std::atomic<unsigned long> g_assertCount{0};
}

bool PObject::NameIs(const char* name, const char* className) {
  return name != nullptr && std::strcmp(name, className) == 0;
}

const char* PObject::GetClass(unsigned) const { return Class(); }

bool PObject::IsClass(const char* name) const { return NameIs(name, Class()); }

bool PObject::IsDescendant(const char* name) const { return NameIs(name, Class()); }

PObject::Comparison PObject::Compare(const PObject& other) const {
  if (this == &other) return EqualTo;
  return this < &other ? LessThan : GreaterThan;
}

PObject* PObject::Clone() const {
  PAssert(false, "Clone of a class without value semantics");
  return nullptr;
}

bool PAssertFunc(const char* file, int line, const char* message) {
  ++g_assertCount;
  std::fprintf(stderr, "Assertion failed at %s:%d: %s\n", file, line, message ? message : "");
  return false;
}

unsigned long PAssertCount() { return g_assertCount.load(); }
