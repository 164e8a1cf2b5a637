// Documents and their views: a document holds data, its views show it and are told of
// every change through UpdateAllViews.
#pragma once

#include <algorithm>
#include <vector>

#include "platform/win/BaseTypes.h"
#include "platform/win/RuntimeClass.h"
#include "platform/win/WinTypes.h"

class CDocument;

class CView {
 public:
  virtual ~CView() = default;
  // Called for every UpdateAllViews of the document, except on the sender.
  virtual void OnUpdate(CView* sender, LPARAM hint, void* hintObject) = 0;
};

class CDocument : public CObject {
  DECLARE_DYNAMIC(CDocument)

 public:
  CDocument() = default;
  ~CDocument() override = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;

  virtual BOOL OnNewDocument() { return TRUE; }

  void AddView(CView* view) {
    if (view != nullptr && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
  }
  void RemoveView(CView* view) { m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end()); }
  void UpdateAllViews(CView* sender, LPARAM hint = 0, void* hintObject = nullptr) {
    for (CView* view : std::vector<CView*>(m_views))
      if (view != sender) view->OnUpdate(sender, hint, hintObject);
  }

 private:
  std::vector<CView*> m_views;
};
