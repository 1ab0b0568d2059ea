// Long lists of files (--files-from) and the share of a list one machine converts
// (--shard), for archives converted by a scheduler on many machines at once.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <optional>

namespace ostrel::cli {

// The names in a list's bytes, one per line, or separated by NUL (`nullSeparated`, as
// `find -print0` writes them). Empty entries are skipped; every other name is taken
// exactly as it stands (spaces, quotes, a leading dash, a carriage return).
QStringList fileListEntries(QByteArrayView content, bool nullSeparated);

// The names of the list in the file `path`, or on standard input for "-"; nothing
// when it cannot be read, with the reason in `error`.
std::optional<QStringList> readFileList(const QString& path, bool nullSeparated, QString& error);

// Shard `index` of `count`: the files whose PDF name hashes to it.
struct Shard {
    int index = 1; // from 1 to count
    int count = 1;
};

// "K/N": N from 1, K from 1 to N; 0 names shard N too, so that schedulers that count
// from 0 (a Kubernetes Indexed Job, a Slurm array from 0) pass their index as it is.
std::optional<Shard> parseShard(const QString& text);

// The files of the list that belong to the shard, in their order. A file belongs to
// the shard its PDF's name (as the file's path as given makes it) hashes to, the same on
// every machine: files that make the same PDF stay together, and N runs over one list
// with shards 1 to N take every file exactly once.
QStringList filesOfShard(const QStringList& files, Shard shard);

} // namespace ostrel::cli
