// Puts contacts into the desktop's default address book through the server's own client
// library, for tests that run in a private session (PrivateSession.h).
#pragma once
#include <gtest/gtest.h>
#include <libebook/libebook.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// The default address book of the private session.
class SeedBook {
 public:
  SeedBook() {
    GError* error = nullptr;
    m_registry = e_source_registry_new_sync(nullptr, &error);
    EXPECT_TRUE(m_registry) << (error ? error->message : "");
    if (!m_registry) return;
    ESource* source = e_source_registry_ref_default_address_book(m_registry);
    m_client = E_BOOK_CLIENT(e_book_client_connect_sync(source, static_cast<guint32>(-1), nullptr, &error));
    g_object_unref(source);
    EXPECT_TRUE(m_client) << (error ? error->message : "");
  }
  ~SeedBook() {
    if (m_client) g_object_unref(m_client);
    if (m_registry) g_object_unref(m_registry);
  }
  bool Ok() const { return m_client != nullptr; }

  // Adds a contact with the given fields; returns its id.
  std::string Add(std::initializer_list<std::pair<EContactField, const char*>> fields, bool list = false) {
    std::vector<std::pair<EContactField, std::string>> values;
    for (const auto& [field, value] : fields) values.emplace_back(field, value);
    return Add(values, list);
  }
  std::string Add(const std::vector<std::pair<EContactField, std::string>>& fields, bool list) {
    EContact* contact = e_contact_new();
    for (const auto& [field, value] : fields) e_contact_set(contact, field, value.c_str());
    if (list) e_contact_set(contact, E_CONTACT_IS_LIST, GINT_TO_POINTER(TRUE));
    gchar* uid = nullptr;
    GError* error = nullptr;
    const bool added = e_book_client_add_contact_sync(m_client, contact, E_BOOK_OPERATION_FLAG_NONE, &uid, nullptr, &error);
    EXPECT_TRUE(added) << (error ? error->message : "");
    g_object_unref(contact);
    std::string id = uid ? uid : "";
    g_free(uid);
    return id;
  }
  bool Remove(const std::string& uid) {
    GError* error = nullptr;
    const bool removed =
        e_book_client_remove_contact_by_uid_sync(m_client, uid.c_str(), E_BOOK_OPERATION_FLAG_NONE, nullptr, &error);
    EXPECT_TRUE(removed) << (error ? error->message : "");
    if (error) g_error_free(error);
    return removed;
  }

 private:
  ESourceRegistry* m_registry = nullptr;
  EBookClient* m_client = nullptr;
};

