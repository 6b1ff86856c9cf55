// The archive in a PostgreSQL database, for a team: several loaders, on one machine or many,
// fill one database at once. Each file goes in as one transaction, under a lock of its own
// (source and path), so two loaders given one file load it once and a loader killed at any
// moment leaves every file whole or absent. Rows and cells travel with COPY.
#pragma once

#include <memory>
#include <string>

#include "archive/store.h"

namespace tnw::archive {

// The schema a database is given when --db-schema names none.
inline constexpr const char* kDefaultPostgresSchema = "tarnwell";

// tarnwell-convert --db postgresql:...: the sink over a PostgreSQL store.
class PostgresSink : public StoreSink {
 public:
  // `target`: "postgresql://..." (or "postgres://...") or "postgresql:" and a libpq
  // key=value string. Connects, and creates the schema and its tables where they are missing.
  // Null with *err naming the server (never a password) when that cannot be done.
  static std::unique_ptr<PostgresSink> open(const std::string& target, const std::string& schema,
                                            StoreOptions options, std::string* err);

 private:
  using StoreSink::StoreSink;
};

// What a message may say of a target: the same with any password in it masked.
std::string withoutPassword(const std::string& text, const std::string& target);

}  // namespace tnw::archive
