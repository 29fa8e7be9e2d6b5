#pragma once

#include "Database.h"

// Closes the connection when it leaves the scope, whichever way: a connection opened for one
// check or copy is never left open by an exception.
class ConnectionCloser {
public:
    explicit ConnectionCloser(Database& database) : m_database(database) {}
    ~ConnectionCloser() { m_database.close(); }
    ConnectionCloser(const ConnectionCloser&) = delete;
    ConnectionCloser& operator=(const ConnectionCloser&) = delete;

private:
    Database& m_database;
};
