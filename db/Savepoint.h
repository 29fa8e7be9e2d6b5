#pragma once

class Database;

// A savepoint inside an open transaction that is rolled back to unless released: one step of
// a longer transaction can then fail alone, leaving the steps before it in place.
class Savepoint {
public:
    explicit Savepoint(const Database& database);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void release();

private:
    const Database& m_database;
    bool m_open = false;
};
