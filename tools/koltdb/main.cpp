// koltdb: makes catalogue files. "create" writes an empty catalogue, "sample" one filled with
// made-up items. Neither ever replaces an existing file.
#include "CatalogueWriter.h"
#include "EDatabaseError.h"
#include "SampleCatalogue.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Makes Tarvena catalogue files."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("create | sample"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the catalogue to write (must not exist)"));
    QCommandLineOption items(QStringLiteral("items"), QStringLiteral("items per collection (sample)"),
                             QStringLiteral("n"), QStringLiteral("200"));
    QCommandLineOption categories(QStringLiteral("categories"), QStringLiteral("categories per collection (sample)"),
                                  QStringLiteral("n"), QStringLiteral("12"));
    QCommandLineOption names(QStringLiteral("names"), QStringLiteral("names in each people list (sample)"),
                             QStringLiteral("n"), QStringLiteral("300"));
    QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("random seed (sample)"), QStringLiteral("n"),
                            QStringLiteral("7"));
    parser.addOptions({items, categories, names, seed});
    parser.process(app);

    QTextStream err(stderr);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2 || (args[0] != QLatin1String("create") && args[0] != QLatin1String("sample"))) {
        err << parser.helpText();
        return 2;
    }
    try {
        CatalogueWriter::create(args[1]);
        if (args[0] == QLatin1String("sample")) {
            SampleCatalogue::Options o;
            o.items = parser.value(items).toInt();
            o.categories = qMax(1, parser.value(categories).toInt());
            o.names = qMax(1, parser.value(names).toInt());
            o.seed = parser.value(seed).toUInt();
            SampleCatalogue::fill(args[1], o);
        }
    } catch (const EDatabaseError& e) {
        err << "koltdb: " << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
