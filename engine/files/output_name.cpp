#include "output_name.h"

namespace ostrel {

QString outputFileName(const QString& sourcePath) {
    QString name = sourcePath.mid(sourcePath.lastIndexOf(QLatin1Char('/')) + 1);
    if (const auto dot = name.lastIndexOf(QLatin1Char('.')); dot >= 0) {
        name.truncate(dot);
    }
    return name + QStringLiteral(".pdf");
}

QString withTrailingSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) {
        return folder;
    }
    return folder + QLatin1Char('/');
}

QString outputFilePath(const QString& destinationFolder, const QString& sourcePath) {
    return withTrailingSeparator(destinationFolder) + outputFileName(sourcePath);
}

} // namespace ostrel
