#pragma once

#include <QString>
#include <sqlite3.h>
#include <type_traits>

// The inserts that recording runs for every drawing operation, prepared once per
// open connection and run through SQLite itself: binding by position through Qt costs
// several times what the insert does.
class DetailStatements {
public:
    enum Kind { Text, Line, Picture, Box };

    explicit DetailStatements(sqlite3* connection);
    ~DetailStatements();
    DetailStatements(const DetailStatements&) = delete;
    DetailStatements& operator=(const DetailStatements&) = delete;

    // Adds one row of the kind with the values in the column order of its statement (see
    // DetailStatements.cpp). Whole numbers, floating-point numbers and texts.
    template <typename... Values> void insert(Kind kind, const Values&... values) {
        sqlite3_stmt* statement = m_statements[kind];
        int column = 0;
        (bind(statement, ++column, values), ...);
        step(statement);
    }

private:
    template <typename Value> static void bind(sqlite3_stmt* statement, int column, const Value& value) {
        if constexpr (std::is_same_v<Value, QString>)
            // The text outlives the step that reads it.
            sqlite3_bind_text16(statement, column, value.utf16(), int(value.size() * sizeof(char16_t)), SQLITE_STATIC);
        else if constexpr (std::is_floating_point_v<Value>)
            sqlite3_bind_double(statement, column, double(value));
        else
            sqlite3_bind_int64(statement, column, sqlite3_int64(value));
    }
    void step(sqlite3_stmt* statement);

    sqlite3* m_connection;
    sqlite3_stmt* m_statements[Box + 1] = {};
};
