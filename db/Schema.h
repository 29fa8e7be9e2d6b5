#pragma once

class Database;

// The tables of the evaluation database. A database without them gets them, with the
// single rows and the report definitions; a database written by a newer program is refused.
namespace Schema {

constexpr int CurrentVersion = 1;

void ensure(const Database& database);
int version(const Database& database); // 0 when the schema is missing

} // namespace Schema
