#include "UBIniSettings.h"

#include "Numbers.h"
#include "SettingsRanges.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <map>

namespace {

// A complete settings file; %SEP% and %SD% are filled by each test.
const char *kTemplate = R"(; Estação de teste
[VIDEO]
Brightness=120
Contrast=130
Gain=AUTO

[DOCTOR]
NAME=Dra. Maria
CRM=12345

[CLINIC_DATA]
NAME=Clínica São João
ADDRESS=Rua A, 1
PHONE=5555

[CAPTURE]
TYPE=AUTO
maxFrames=30

[HARDWARE]
comPort=/dev/ttyUSB0

[AUTOCAPTURE]
; média e desvio dos quadros aceitos
average=128%SEP%00
sd=%SD%
tolerance=0%SEP%10

[IMAGEPROCESSING]
FIRlen=9
minBlack=10
alpha0=20%SEP%5
beta0=235%SEP%0
largMin=60%SEP%0
perc=0%SEP%30

[SYSTEM]
decimalSeparator=%SEP%

[CAMERA]
mainCamChannel=0
auxCamChannel=1

[METRICS]
pixelToMM=0%SEP%001860
pixelToPaq=1%SEP%500000
)";

QString readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The text with key's line set to value, or removed for a null value.
QString withValue(QString text, const QString &key, const QString &value)
{
    const QRegularExpression line(QStringLiteral("(?m)^%1=[^\\n]*\\n").arg(QRegularExpression::escape(key)));
    return text.replace(line, value.isNull() ? QString() : key + QLatin1Char('=') + value + QLatin1Char('\n'));
}

double cachedValue(const TBIniSettings &settings, const QString &key)
{
    const std::map<QString, double> values{
        {QStringLiteral("maxFrames"), settings.MaxFrames()},   {QStringLiteral("average"), settings.Average()},
        {QStringLiteral("sd"), settings.SD()},                 {QStringLiteral("tolerance"), settings.Tolerance()},
        {QStringLiteral("FIRlen"), settings.FIRLen()},         {QStringLiteral("minBlack"), settings.MinBlack()},
        {QStringLiteral("alpha0"), settings.Alpha0()},         {QStringLiteral("beta0"), settings.Beta0()},
        {QStringLiteral("largMin"), settings.LargMin()},       {QStringLiteral("perc"), settings.Perc()},
        {QStringLiteral("pixelToMM"), settings.PixelToMM()},   {QStringLiteral("pixelToPaq"), settings.PixelToPaq()},
    };
    return values.at(key);
}

void writeAll(const QString &path, const QString &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

} // namespace

Q_DECLARE_METATYPE(TSettingsFault)

class TestIniSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

    void writeSettings(const QString &separator, const QString &sd)
    {
        QString text = QString::fromUtf8(kTemplate);
        text.replace(QStringLiteral("%SEP%"), separator).replace(QStringLiteral("%SD%"), sd);
        writeAll(m_path, text);
    }

private slots:
    void init()
    {
        m_path = m_dir.filePath(QStringLiteral("cornix.ini"));
        QFile::remove(m_path);
    }

    void repairOfFixedKeys_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("sd");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("expected");
        QTest::newRow("point value, comma in force") << "," << "2.5" << true << 2.5;
        QTest::newRow("comma value, point in force") << "." << "2,5" << true << 2.5;
        QTest::newRow("own separator") << "," << "2,5" << true << 2.5;
        QTest::newRow("both, comma in force, left as is") << "," << "1.002,5" << false << 0.0;
        QTest::newRow("both, point in force, left as is") << "." << "1,002.5" << false << 0.0;
        QTest::newRow("only first foreign separator replaced") << "." << "2,5,0" << false << 0.0;
        QTest::newRow("integer") << "," << "3" << true << 3.0;
    }

    void repairOfFixedKeys()
    {
        QFETCH(QString, separator);
        QFETCH(QString, sd);
        QFETCH(bool, valid);
        QFETCH(double, expected);
        writeSettings(separator, sd);
        if (!valid) {
            QVERIFY_THROWS_EXCEPTION(ESettingsConversionError, TBIniSettings{m_path});
            return;
        }
        const TBIniSettings settings(m_path);
        QCOMPARE(settings.SD(), expected);
        QCOMPARE(settings.Alpha0(), 20.5);
        QCOMPARE(settings.DecimalSeparatorText(), separator);
        QCOMPARE(cornix::DecimalSeparator(), separator.at(0).toLatin1());
    }

    void globalIsWhatWasPublished()
    {
        QCOMPARE(TBIniSettings::Global(), nullptr);
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        TBIniSettings settings(m_path);
        TBIniSettings::SetGlobal(&settings);
        QCOMPARE(TBIniSettings::Global(), &settings);
        TBIniSettings::SetGlobal(nullptr);
        QCOMPARE(TBIniSettings::Global(), nullptr);
    }

    void cachedValuesAtLoad()
    {
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        const TBIniSettings settings(m_path);
        QCOMPARE(settings.FileName(), m_path);
        QCOMPARE(settings.CaptureType(), QStringLiteral("AUTO"));
        QCOMPARE(settings.MaxFrames(), quint16(30));
        QCOMPARE(settings.Average(), 128.0);
        QCOMPARE(settings.Tolerance(), 0.1);
        QCOMPARE(settings.FIRLen(), 9);
        QCOMPARE(settings.MinBlack(), 10);
        QCOMPARE(settings.Beta0(), 235.0);
        QCOMPARE(settings.LargMin(), 60.0);
        QCOMPARE(settings.Perc(), 0.3);
        QCOMPARE(settings.PixelToMM(), 0.00186);
        QCOMPARE(settings.PixelToPaq(), 1.5);
    }

    void plainKeysAreNotRepaired()
    {
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        QString text = readAll(m_path);
        text.replace(QStringLiteral("pixelToMM=0.001860"), QStringLiteral("pixelToMM=0,001860"));
        writeAll(m_path, text);
        try {
            TBIniSettings settings(m_path);
            QFAIL("no exception");
        } catch (const ESettingsConversionError &error) {
            QCOMPARE(error.section(), QStringLiteral("METRICS"));
            QCOMPARE(error.key(), QStringLiteral("pixelToMM"));
            QCOMPARE(error.fileName(), m_path);
            QVERIFY(error.message().contains(m_path));
        }
    }

    void settersOfCachedKeys_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("averageText");
        QTest::newRow("point") << "." << "12.50";
        QTest::newRow("comma") << "," << "12,50";
    }

    void settersOfCachedKeys()
    {
        QFETCH(QString, separator);
        QFETCH(QString, averageText);
        writeSettings(separator, QStringLiteral("40") + separator + QStringLiteral("00"));
        TBIniSettings settings(m_path);
        settings.SetAverage(12.5);
        QVERIFY(readAll(m_path).contains(QStringLiteral("average=") + averageText + QLatin1Char('\n')));
        QCOMPARE(settings.Average(), 12.5);

        settings.SetTolerance(0.456);
        QCOMPARE(settings.Tolerance(), 0.46); // the cache holds the written, rounded value

        settings.SetSD(3);
        QCOMPARE(settings.Variance(), 9.0);

        const double loaded = settings.PixelToMM();
        settings.SetPixelToMM(0.00125);
        QVERIFY(readAll(m_path).contains(QStringLiteral("pixelToMM=0") + separator + QStringLiteral("001250\n")));
        QCOMPARE(settings.PixelToMM(), loaded);
        QCOMPARE(TBIniSettings(m_path).PixelToMM(), 0.00125);
    }

    // A setter refuses a value that would not load at the next start, before writing:
    // the file and the cache keep what they had. maxFrames is handed over in 16 bits,
    // so a typed 70000 arrives as 4464.
    void settersRefuseValuesOutsideTheRange_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("maxFrames 70000 as 16 bits") << "maxFrames" << 4464.0 << "'4464', fora do intervalo aceito (de 1 a 300)";
        QTest::newRow("maxFrames 0") << "maxFrames" << 0.0 << "'0', fora do intervalo aceito (de 1 a 300)";
        QTest::newRow("maxFrames 300") << "maxFrames" << 300.0 << "";
        QTest::newRow("average 256") << "average" << 256.0 << "[AUTOCAPTURE] average tem o valor '256.00'";
        QTest::newRow("average written as 255.00") << "average" << 255.004 << "";
        QTest::newRow("sd negative") << "sd" << -0.5 << "'-0.50', fora do intervalo aceito (de 0 a 255)";
        QTest::newRow("tolerance 1.01") << "tolerance" << 1.01 << "'1.01', fora do intervalo aceito (de 0 a 1)";
        QTest::newRow("tolerance written as 1.00") << "tolerance" << 0.999 << "";
        QTest::newRow("pixelToMM 0.02") << "pixelToMM" << 0.02 << "'0.020000', fora do intervalo aceito (de 0.0005 a 0.01)";
        QTest::newRow("pixelToMM written as 0.000500") << "pixelToMM" << 0.0004996 << "";
        QTest::newRow("pixelToMM written as 0.000499") << "pixelToMM" << 0.000499 << "[METRICS] pixelToMM";
    }

    void settersRefuseValuesOutsideTheRange()
    {
        QFETCH(QString, key);
        QFETCH(double, value);
        QFETCH(QString, refusal);
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        const QString before = readAll(m_path);
        TBIniSettings settings(m_path);
        const auto set = [&] {
            if (key == QLatin1String("maxFrames"))
                settings.SetMaxFrames(static_cast<quint16>(value));
            else if (key == QLatin1String("average"))
                settings.SetAverage(value);
            else if (key == QLatin1String("sd"))
                settings.SetSD(value);
            else if (key == QLatin1String("tolerance"))
                settings.SetTolerance(value);
            else
                settings.SetPixelToMM(value);
        };
        if (refusal.isEmpty()) {
            set();
            QVERIFY(readAll(m_path) != before);
            TBIniSettings{m_path}; // loads again
            return;
        }
        try {
            set();
            QFAIL("no refusal");
        } catch (const ESettingsConversionError &error) {
            QCOMPARE(error.fault(), TSettingsFault::OutOfRange);
            QCOMPARE(error.key(), key);
            QVERIFY2(error.message().contains(refusal), qPrintable(error.message()));
        }
        QCOMPARE(readAll(m_path), before);
        QCOMPARE(settings.MaxFrames(), quint16(30));
        QCOMPARE(settings.Average(), 128.0);
        QCOMPARE(settings.SD(), 40.0);
        QCOMPARE(settings.Tolerance(), 0.1);
    }

    void liveKeys()
    {
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        TBIniSettings settings(m_path);
        QCOMPARE(settings.GetGain(), QStringLiteral("AUTO"));
        QCOMPARE(settings.GetBrightness(), 120);
        QCOMPARE(settings.GetClinicName(), QStringLiteral("Clínica São João"));
        QCOMPARE(settings.GetComPort(), QStringLiteral("/dev/ttyUSB0"));

        settings.SetGain(QStringLiteral("AUTO"));
        QCOMPARE(settings.GetGain(), QStringLiteral("AUTO"));
        settings.SetContrast(77);
        settings.SetMainCamChannel(3);
        settings.SetDoctorName(QStringLiteral("Dr. José"));
        // Live keys are read from the file: a second object sees the writes.
        const TBIniSettings other(m_path);
        QCOMPARE(other.GetContrast(), 77);
        QCOMPARE(other.GetMainCamChannel(), 3);
        QCOMPARE(other.GetDoctorName(), QStringLiteral("Dr. José"));
    }

    void missingKeyReadsError()
    {
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        QString text = readAll(m_path);
        text.remove(QStringLiteral("PHONE=5555\n")).remove(QStringLiteral("Brightness=120\n"));
        writeAll(m_path, text);
        const TBIniSettings settings(m_path);
        QCOMPARE(settings.GetClinicPhone(), QStringLiteral("error"));
        try {
            (void)settings.GetBrightness();
            QFAIL("no exception");
        } catch (const ESettingsConversionError &error) {
            QCOMPARE(error.fault(), TSettingsFault::Missing);
            QCOMPARE(error.message(),
                     QStringLiteral("Arquivo de configuração '%1': falta a chave [VIDEO] Brightness.").arg(m_path));
        }
    }

    void missingFileFailsLoad()
    {
        try {
            TBIniSettings settings(m_path);
            QFAIL("no exception");
        } catch (const ESettingsConversionError &error) {
            QCOMPARE(error.fault(), TSettingsFault::Unreadable);
            QCOMPARE(error.message(),
                     QStringLiteral("Arquivo de configuração '%1': o arquivo não pôde ser lido.").arg(m_path));
        }
    }

    // Every value that feeds arithmetic is checked where it is read; the refusal names
    // the file, the key and the value, or says that the key is missing. A null value
    // removes the key's line; the key "FILE" replaces the whole file by the value.
    void refusedValues_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<TSettingsFault>("fault");
        QTest::addColumn<QString>("fragment");
        const auto range = TSettingsFault::OutOfRange;
        const auto missing = TSettingsFault::Missing;
        const auto nan = TSettingsFault::NotANumber;
        const QString none;
        QTest::newRow("empty file") << "SYSTEM" << "FILE" << "" << missing << "falta a chave [SYSTEM] decimalSeparator.";
        QTest::newRow("no separator, not blamed on average")
            << "SYSTEM" << "decimalSeparator" << none << missing << "falta a chave [SYSTEM] decimalSeparator.";
        QTest::newRow("separator 'error'") << "SYSTEM" << "decimalSeparator" << "error" << TSettingsFault::BadSeparator
                                           << "[SYSTEM] decimalSeparator tem o valor 'error', mas o separador decimal "
                                              "precisa ser '.' ou ','.";
        QTest::newRow("separator ';'") << "SYSTEM" << "decimalSeparator" << ";" << TSettingsFault::BadSeparator
                                       << "tem o valor ';'";
        QTest::newRow("minBlack largest int") << "IMAGEPROCESSING" << "minBlack" << "2147483647" << range
                                              << "[IMAGEPROCESSING] minBlack tem o valor '2147483647', fora do "
                                                 "intervalo aceito (de -255 a 255).";
        QTest::newRow("minBlack smallest int") << "IMAGEPROCESSING" << "minBlack" << "-2147483648" << range
                                               << "'-2147483648', fora do intervalo aceito (de -255 a 255)";
        QTest::newRow("minBlack beyond 32 bits") << "IMAGEPROCESSING" << "minBlack" << "99999999999" << nan
                                                 << "'99999999999', que não é um número válido";
        QTest::newRow("minBlack 256") << "IMAGEPROCESSING" << "minBlack" << "256" << range << "'256'";
        QTest::newRow("minBlack missing") << "IMAGEPROCESSING" << "minBlack" << none << missing
                                          << "falta a chave [IMAGEPROCESSING] minBlack.";
        QTest::newRow("FIRlen -1") << "IMAGEPROCESSING" << "FIRlen" << "-1" << range << "(de 0 a 640)";
        QTest::newRow("FIRlen 641") << "IMAGEPROCESSING" << "FIRlen" << "641" << range << "'641'";
        QTest::newRow("alpha0 below 0") << "IMAGEPROCESSING" << "alpha0" << "-0.5" << range << "(de 0 a 255)";
        QTest::newRow("beta0 above 255") << "IMAGEPROCESSING" << "beta0" << "255.5" << range << "'255.5'";
        QTest::newRow("largMin 0, a divisor") << "IMAGEPROCESSING" << "largMin" << "0" << range << "(de 1 a 255)";
        QTest::newRow("perc 1.5") << "IMAGEPROCESSING" << "perc" << "1.5" << range << "(de -1 a 1)";
        QTest::newRow("perc written with a comma") << "IMAGEPROCESSING" << "perc" << "1,5" << range << "'1,5'";
        QTest::newRow("maxFrames 0") << "CAPTURE" << "maxFrames" << "0" << range << "(de 1 a 300)";
        QTest::newRow("maxFrames 70000") << "CAPTURE" << "maxFrames" << "70000" << range << "'70000'";
        QTest::newRow("maxFrames missing") << "CAPTURE" << "maxFrames" << none << missing << "[CAPTURE] maxFrames";
        QTest::newRow("average 300") << "AUTOCAPTURE" << "average" << "300" << range << "(de 0 a 255)";
        QTest::newRow("sd negative") << "AUTOCAPTURE" << "sd" << "-1" << range << "'-1'";
        QTest::newRow("tolerance 10") << "AUTOCAPTURE" << "tolerance" << "10" << range << "(de 0 a 1)";
        QTest::newRow("tolerance not a number") << "AUTOCAPTURE" << "tolerance" << "alta" << nan << "'alta'";
        QTest::newRow("pixelToMM 10") << "METRICS" << "pixelToMM" << "10" << range << "(de 0.0005 a 0.01)";
        QTest::newRow("pixelToMM 1e-5") << "METRICS" << "pixelToMM" << "0.00001" << range << "'0.00001'";
        QTest::newRow("pixelToMM 0") << "METRICS" << "pixelToMM" << "0.000000" << range << "'0.000000'";
        QTest::newRow("pixelToPaq 0") << "METRICS" << "pixelToPaq" << "0" << range << "(de 0.1 a 100)";
        QTest::newRow("pixelToPaq 1000") << "METRICS" << "pixelToPaq" << "1000" << range << "'1000'";
        QTest::newRow("pixelToPaq missing") << "METRICS" << "pixelToPaq" << none << missing
                                            << "falta a chave [METRICS] pixelToPaq.";
    }

    void refusedValues()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(TSettingsFault, fault);
        QFETCH(QString, fragment);
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        writeAll(m_path, key == QLatin1String("FILE") ? value : withValue(readAll(m_path), key, value));
        try {
            TBIniSettings settings(m_path);
            QFAIL("loaded");
        } catch (const ESettingsConversionError &error) {
            QVERIFY2(error.message().contains(fragment), qPrintable(error.message()));
            QVERIFY(error.message().startsWith(QStringLiteral("Arquivo de configuração '%1': ").arg(m_path)));
            QCOMPARE(error.fault(), fault);
            QCOMPARE(error.section(), section);
            QCOMPARE(error.key(), key == QLatin1String("FILE") ? QStringLiteral("decimalSeparator") : key);
        }
    }

    // The bounds themselves load.
    void valuesOnTheBoundsLoad_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        for (const TSettingsRange &range : kSettingsRanges)
            for (double bound : {range.low, range.high}) {
                const QString text = QString::number(bound, 'g', 10);
                const QString name = QString::fromLatin1(range.key.data(), qsizetype(range.key.size()));
                QTest::newRow(qPrintable(name + QLatin1Char(' ') + text)) << name << text;
            }
    }

    void valuesOnTheBoundsLoad()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        writeAll(m_path, withValue(readAll(m_path), key, value));
        const TBIniSettings settings(m_path);
        QCOMPARE(cachedValue(settings, key), value.toDouble());
    }

    // The sample shipped with the program, copied beside every executable of the build.
    void sampleFileLoads()
    {
        QVERIFY(QFile::exists(TBIniSettings::DefaultFileName()));
        const TBIniSettings settings;
        QCOMPARE(settings.MaxFrames(), quint16(30));
    }

    void emptySeparatorFallsBackToPlatform()
    {
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        QString text = readAll(m_path);
        text.replace(QStringLiteral("decimalSeparator=."), QStringLiteral("decimalSeparator="));
        writeAll(m_path, text);
        const TBIniSettings settings(m_path);
        QCOMPARE(cornix::DecimalSeparator(), cornix::PlatformDecimalSeparator());
        QCOMPARE(settings.SD(), 40.0);
    }

    void writeKeepsTheRestOfTheFile()
    {
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        const QString before = readAll(m_path);
        TBIniSettings settings(m_path);
        settings.SetClinicPhone(QStringLiteral("(11) 4444-0000"));
        QString expected = before;
        expected.replace(QStringLiteral("PHONE=5555"), QStringLiteral("PHONE=(11) 4444-0000"));
        QCOMPARE(readAll(m_path), expected);
    }

    void writeAddsMissingKeysWithoutReflowing()
    {
        writeAll(m_path, QStringLiteral("; topo\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"));
        TBIniSettings::WriteIniValue(m_path, TIniKind::Str, false, QStringLiteral("3"), QStringLiteral("z"),
                                     QStringLiteral("A"));
        TBIniSettings::WriteIniValue(m_path, TIniKind::Str, false, QStringLiteral("4"), QStringLiteral("w"),
                                     QStringLiteral("C"));
        TBIniSettings::WriteIniValue(m_path, TIniKind::Str, false, QStringLiteral("5"), QStringLiteral("Y"),
                                     QStringLiteral("b"));
        QCOMPARE(readAll(m_path),
                 QStringLiteral("; topo\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=5\r\n\r\n[C]\r\nw=4\r\n"));
    }

    // Files edited by hand may repeat a key or a section; the reader takes the last
    // line of a key, so a write must reach that one too (found by fuzz_ini_settings).
    void writtenValueReadsBack_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("expected");
        QTest::newRow("key twice")
            << "[CAPTURE]\nmaxFrames=30\nmaxFrames=31\n" << "[CAPTURE]\nmaxFrames=17\nmaxFrames=17\n";
        QTest::newRow("section repeated in another case")
            << "[CAPTURE]\nmaxFrames=30\n[capture]\nmaxFrames=31\n"
            << "[CAPTURE]\nmaxFrames=17\n[capture]\nmaxFrames=17\n";
        QTest::newRow("text after the section name")
            << "[CAPTURE] ; captura\nmaxFrames=30\n" << "[CAPTURE] ; captura\nmaxFrames=17\n";
        QTest::newRow("section name not closed")
            << "[CAPTURE\nmaxFrames=30\n" << "[CAPTURE\nmaxFrames=30\n\n[CAPTURE]\nmaxFrames=17\n";
        QTest::newRow("key once") << "[CAPTURE]\nTYPE=SEQ\nmaxFrames=30\n" << "[CAPTURE]\nTYPE=SEQ\nmaxFrames=17\n";
        // The reader ends a line at a CR alone too: the key goes into the section it sees.
        QTest::newRow("lines ended by CR alone")
            << "[CAPTURE]\r[]" << "[CAPTURE]\rmaxFrames=17\r[]\r";
        QTest::newRow("CR alone, key present") << "[CAPTURE]\rmaxFrames=30\r" << "[CAPTURE]\rmaxFrames=17\r";
        QTest::newRow("UTF-8 mark before the first section")
            << "\xEF\xBB\xBF[CAPTURE]\nmaxFrames=30\n" << "\xEF\xBB\xBF[CAPTURE]\nmaxFrames=17\n";
        QTest::newRow("vertical tab before the key")
            << "[CAPTURE]\n\vmaxFrames=30\n" << "[CAPTURE]\n\vmaxFrames=30\nmaxFrames=17\n";
        QTest::newRow("mixed line ends kept")
            << "[A]\r\nx=1\n[CAPTURE]\rmaxFrames=30\r\n" << "[A]\r\nx=1\n[CAPTURE]\rmaxFrames=17\r\n";
    }

    void writtenValueReadsBack()
    {
        QFETCH(QString, content);
        QFETCH(QString, expected);
        writeAll(m_path, content);
        TBIniSettings::WriteIniValue(m_path, TIniKind::Str, false, QStringLiteral("17"), QStringLiteral("maxFrames"),
                                     QStringLiteral("CAPTURE"));
        QCOMPARE(TBIniSettings::ReadIniValue(m_path, TIniKind::Str, QStringLiteral("maxFrames"),
                                             QStringLiteral("CAPTURE")),
                 QStringLiteral("17"));
        QCOMPARE(readAll(m_path), expected);
    }

    void genericAccessorKinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("boolValue");
        QTest::addColumn<QString>("readBack");
        QTest::addColumn<QString>("missing");
        QTest::newRow("Str") << int(TIniKind::Str) << "abc" << false << "abc" << "error";
        QTest::newRow("Int") << int(TIniKind::Int) << " 42" << false << "42" << "1";
        QTest::newRow("Bool false") << int(TIniKind::Bool) << "" << false << "False" << "True";
        QTest::newRow("Bool true") << int(TIniKind::Bool) << "" << true << "True" << "True";
    }

    void genericAccessorKinds()
    {
        QFETCH(int, kind);
        QFETCH(QString, stored);
        QFETCH(bool, boolValue);
        QFETCH(QString, readBack);
        QFETCH(QString, missing);
        const auto iniKind = static_cast<TIniKind>(kind);
        TBIniSettings::WriteIniValue(m_path, iniKind, boolValue, stored, QStringLiteral("k"), QStringLiteral("S"));
        QCOMPARE(TBIniSettings::ReadIniValue(m_path, iniKind, QStringLiteral("k"), QStringLiteral("S")), readBack);
        QCOMPARE(TBIniSettings::ReadIniValue(m_path, iniKind, QStringLiteral("x"), QStringLiteral("S")), missing);
    }
};

QTEST_APPLESS_MAIN(TestIniSettings)
#include "tst_inisettings.moc"
