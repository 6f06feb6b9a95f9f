#pragma once
// Whole-file helpers for tests that check what a save left on disk.

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QString>

namespace kalvora::testing {

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

inline void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace kalvora::testing
