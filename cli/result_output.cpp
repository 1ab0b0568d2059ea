#include "result_output.h"

#include "file_name_bytes.h"
#include "interruption.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace ostrel::cli {
namespace {

// The text as valid Unicode: a kept byte that is not UTF-8 (an unpaired surrogate) is
// shown as U+FFFD, which JSON can carry.
QString readableName(const QString& name) {
    QString readable = name;
    for (qsizetype at = 0; at < readable.size(); ++at) {
        const QChar unit = readable[at];
        if (unit.isHighSurrogate() && at + 1 < readable.size() &&
            readable[at + 1].isLowSurrogate()) {
            ++at; // a character past U+FFFF
        } else if (unit.isSurrogate()) {
            readable[at] = QChar::ReplacementCharacter;
        }
    }
    return readable;
}

void putName(QJsonObject& object, const QString& key, const QString& name) {
    object.insert(key, readableName(name));
    if (holdsForeignBytes(name)) {
        object.insert(key + QStringLiteral("_base64"),
                      QString::fromLatin1(fileNameBytes(name).toBase64()));
    }
}

// Milliseconds are all a run's seconds can tell.
double roundedSeconds(double seconds) {
    return std::round(seconds * 1000.0) / 1000.0;
}

QByteArray compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray jsonLine(const FileResult& result) {
    QJsonObject object{{QStringLiteral("type"), QStringLiteral("file")},
                       {QStringLiteral("status"), statusWord(result.kind)},
                       {QStringLiteral("reason"), readableName(result.reason)},
                       {QStringLiteral("seconds"), roundedSeconds(result.seconds)},
                       {QStringLiteral("pages"), result.pages},
                       {QStringLiteral("bytes"), result.bytes}};
    putName(object, QStringLiteral("input"), result.file);
    putName(object, QStringLiteral("pdf"), result.pdf);
    QJsonObject stages;
    for (std::size_t index = 0; index < kStageCount; ++index) {
        const auto stage = static_cast<Stage>(index);
        if (const double seconds = result.stages.seconds(stage); seconds > 0) {
            stages.insert(QLatin1String(stageName(stage)), roundedSeconds(seconds));
        }
    }
    object.insert(QStringLiteral("stages"), stages);
    return compact(object);
}

ResultOutput::ResultOutput(const Request& request, Write write)
    : json_(request.json), quiet_(request.quiet), write_(std::move(write)),
      files_(request.files.size()) {
    clock_.start();
}

void ResultOutput::add(const FileResult& result) {
    ++counts_[result.kind];
    pages_ += result.pages;
    bytes_ += result.bytes;
    if (json_) {
        write_(jsonLine(result));
    } else if (!quiet_) {
        write_(fileNameBytes(
            escapedLine(resultLine(result.file, statusWord(result.kind), result.seconds))));
    }
}

void ResultOutput::finish(int signal) {
    if (!json_) {
        return;
    }
    const qsizetype reported =
        counts_[Outcome::Converted] + counts_[Outcome::Skipped] + counts_[Outcome::Failed];
    write_(compact(QJsonObject{
        {QStringLiteral("type"), QStringLiteral("totals")},
        {QStringLiteral("files"), files_},
        {QStringLiteral("converted"), counts_[Outcome::Converted]},
        {QStringLiteral("skipped"), counts_[Outcome::Skipped]},
        {QStringLiteral("failed"), counts_[Outcome::Failed]},
        {QStringLiteral("not_finished"), files_ - reported},
        {QStringLiteral("seconds"), roundedSeconds(static_cast<double>(clock_.elapsed()) / 1000.0)},
        {QStringLiteral("pages"), pages_},
        {QStringLiteral("bytes"), bytes_},
        {QStringLiteral("stopped_by"),
         signal != 0 ? QJsonValue(QString::fromLatin1(signalName(signal))) : QJsonValue()}}));
}

} // namespace ostrel::cli
