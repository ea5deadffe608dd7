#include "UBIniSettings.h"

#include "Numbers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
tolerance=10%SEP%00

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

void writeAll(const QString &path, const QString &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

} // namespace

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
        QCOMPARE(settings.Tolerance(), 10.0);
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

        settings.SetTolerance(7.456);
        QCOMPARE(settings.Tolerance(), 7.46); // the cache holds the written, rounded value

        settings.SetSD(3);
        QCOMPARE(settings.Variance(), 9.0);

        const double loaded = settings.PixelToMM();
        settings.SetPixelToMM(0.00125);
        QVERIFY(readAll(m_path).contains(QStringLiteral("pixelToMM=0") + separator + QStringLiteral("001250\n")));
        QCOMPARE(settings.PixelToMM(), loaded);
        QCOMPARE(TBIniSettings(m_path).PixelToMM(), 0.00125);
    }

    void maxFramesIsSixteenBits()
    {
        writeSettings(QStringLiteral("."), QStringLiteral("40.00"));
        TBIniSettings settings(m_path);
        const int typed = cornix::StrToInt(std::string_view("70000"));
        settings.SetMaxFrames(static_cast<quint16>(typed));
        QCOMPARE(settings.MaxFrames(), quint16(4464));
        QVERIFY(readAll(m_path).contains(QStringLiteral("maxFrames=4464\n")));
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
        QVERIFY_THROWS_EXCEPTION(ESettingsConversionError, settings.GetBrightness());
    }

    void missingFileFailsLoad()
    {
        try {
            TBIniSettings settings(m_path);
            QFAIL("no exception");
        } catch (const ESettingsConversionError &error) {
            // No separator: "e" is in force and the first number fails.
            QCOMPARE(error.value(), QStringLiteral("error"));
            QCOMPARE(error.section(), QStringLiteral("AUTOCAPTURE"));
            QCOMPARE(error.key(), QStringLiteral("average"));
        }
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
