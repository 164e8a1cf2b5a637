// Root of the class library: index type, run-time class information, comparison and
// cloning, and the parameter assertion that logs instead of aborting.
#pragma once

#include <climits>
#include <memory>

using PINDEX = int;
constexpr PINDEX P_MAX_INDEX = INT_MAX;

class PObject {
 public:
  enum Comparison { LessThan = -1, EqualTo = 0, GreaterThan = 1 };

  virtual ~PObject() = default;

  // Class name at `ancestor` levels up the hierarchy (0: the object's own class).
  virtual const char* GetClass(unsigned ancestor = 0) const;
  virtual bool IsClass(const char* name) const;
  virtual bool IsDescendant(const char* name) const;
  static const char* Class() { return "PObject"; }
  static bool NameIs(const char* name, const char* className);

  // Default ordering compares object identity; classes with a value order override it.
  virtual Comparison Compare(const PObject& other) const;
  virtual PObject* Clone() const;

  bool operator==(const PObject& other) const { return Compare(other) == EqualTo; }
  bool operator!=(const PObject& other) const { return Compare(other) != EqualTo; }
  bool operator<(const PObject& other) const { return Compare(other) == LessThan; }
  bool operator>(const PObject& other) const { return Compare(other) == GreaterThan; }

 protected:
  PObject() = default;
  PObject(const PObject&) = default;
  PObject& operator=(const PObject&) = default;
};

// Declares the run-time class information of `cls`, whose direct base is `par`.
#define PCLASSINFO(cls, par)                                                              \
 public:                                                                                  \
  static const char* Class() { return #cls; }                                             \
  const char* GetClass(unsigned ancestor = 0) const override {                            \
    return ancestor > 0 ? par::GetClass(ancestor - 1) : cls::Class();                     \
  }                                                                                       \
  bool IsClass(const char* name) const override { return PObject::NameIs(name, #cls); }   \
  bool IsDescendant(const char* name) const override {                                    \
    return PObject::NameIs(name, #cls) || par::IsDescendant(name);                        \
  }                                                                                       \
                                                                                          \
 public:

// Reports a failed parameter check (file, line, message) and returns false; the caller
// goes on with a safe value.  Tests may count failures through PAssertCount().
bool PAssertFunc(const char* file, int line, const char* message);
unsigned long PAssertCount();
#define PAssert(cond, msg) ((cond) ? true : PAssertFunc(__FILE__, __LINE__, (msg)))
