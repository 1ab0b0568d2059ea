// The results of ostrel-convert --json (JSON Lines), each line read on its own by Qt's
// JSON parser, which takes only valid UTF-8. Several runs' output one after the other
// (as GNU parallel merges it) reads as one, each run's totals closing its files.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <vector>

namespace ostrel::test {

struct ConvertResults {
    std::vector<QJsonObject> files;  // in order
    std::vector<QJsonObject> totals; // one per run
    // Why the output is not JSON Lines ending with totals (empty when it is).
    QByteArray defect;

    // A file's input path: its bytes in base64 when it has them, else its UTF-8.
    static QByteArray inputOf(const QJsonObject& file) {
        const QJsonValue raw = file[QStringLiteral("input_base64")];
        return raw.isString() ? QByteArray::fromBase64(raw.toString().toLatin1())
                              : file[QStringLiteral("input")].toString().toUtf8();
    }
    // The inputs of the files with that status (all files: nullptr), in order.
    QStringList withStatus(const char* status) const {
        QStringList names;
        for (const QJsonObject& file : files) {
            if (status == nullptr || file[QStringLiteral("status")] == QLatin1String(status)) {
                names << QFile::decodeName(inputOf(file));
            }
        }
        return names;
    }
    QStringList inputs() const { return withStatus(nullptr); }
    // The stages a file passed (sorted), and whether their times fit in the file's own.
    static QStringList stagesOf(const QJsonObject& file) {
        return file[QStringLiteral("stages")].toObject().keys();
    }
    static bool stagesFitItsTime(const QJsonObject& file) {
        double sum = 0;
        for (const QJsonValue& seconds : file[QStringLiteral("stages")].toObject()) {
            sum += seconds.toDouble();
        }
        return sum <= file[QStringLiteral("seconds")].toDouble() + 0.01;
    }
};

inline ConvertResults readConvertResults(const QByteArray& output) {
    ConvertResults results;
    bool totalsLast = false;
    for (const QByteArray& line : output.split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject()) {
            results.defect = "not a JSON object: " + line;
            return results;
        }
        const QJsonObject object = document.object();
        totalsLast = object[QStringLiteral("type")] == QStringLiteral("totals");
        (totalsLast ? results.totals : results.files).push_back(object);
    }
    if (!totalsLast) {
        results.defect = "the totals do not come last";
    }
    return results;
}

} // namespace ostrel::test
