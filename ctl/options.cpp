#include "ctl/options.h"

#include "session/scanrun.h"
#include "session/settings.h"

CtlOptions::CtlOptions()
    : port(QStringLiteral("port"),
           QStringLiteral("Serial port number, or a network serial "
                          "server: tcp://HOST:PORT (raw TCP) or "
                          "rfc2217://HOST:PORT (Telnet COM port control)."),
           QStringLiteral("N|URL")),
      speed(QStringLiteral("speed"), QStringLiteral("Line speed (baud)."), QStringLiteral("B")),
      address(QStringLiteral("address"),
              QStringLiteral("Receiver address, %1 to %2.")
                  .arg(Settings::Address.min)
                  .arg(Settings::Address.max),
              QStringLiteral("A")),
      json(QStringLiteral("json"), QStringLiteral("The result as JSON.")),
      trace(QStringLiteral("trace"), QStringLiteral("Every exchange on standard error.")),
      service(QStringLiteral("service"), QStringLiteral("tune: the service to select."),
              QStringLiteral("N")),
      rates(QStringLiteral("rates"),
            QStringLiteral("scan: symbol rates to test, in kS/s "
                           "(default %1).")
                .arg(DefaultScanRates().join(QLatin1Char(','))),
            QStringLiteral("R,R,...")),
      band(QStringLiteral("band"),
           QStringLiteral("The band, L or Ku, for tune and scan (default: "
                          "as kolvex7 is configured)."),
           QStringLiteral("BAND")),
      save(QStringLiteral("save"), QStringLiteral("scan: write the list and service files.")),
      guided(QStringLiteral("guided"),
             QStringLiteral("scan: try each carrier first at the rate its "
                            "width points to.")),
      force(QStringLiteral("force"),
            QStringLiteral("scan, import: replace an existing list file.")),
      format(QStringLiteral("format"), QStringLiteral("export: the plan's format (dvbv5)."),
             QStringLiteral("F"), QStringLiteral("dvbv5")),
      position(QStringLiteral("position"),
               QStringLiteral("import: the plan's position, as 13.0E "
                              "(default: from the file's name)."),
               QStringLiteral("P")),
      interval(QStringLiteral("interval"),
               QStringLiteral("watch: seconds between samples (default "
                              "10); signal: between readings (default "
                              "0, as fast as the line allows)."),
               QStringLiteral("S")),
      tone(QStringLiteral("tone"), QStringLiteral("signal: a tone whose pitch rises with the "
                                                  "margin.")),
      listen(QStringLiteral("listen"),
             QStringLiteral("watch: serve Prometheus metrics on this "
                            "address, as 127.0.0.1:9917."),
             QStringLiteral("HOST:PORT")),
      textfile(QStringLiteral("textfile"),
               QStringLiteral("watch: write the metrics to this file after "
                              "every round (node_exporter's textfile "
                              "collector reads *.prom)."),
               QStringLiteral("FILE")),
      from(QStringLiteral("from"), QStringLiteral("codes: the code to start at, as AAAA or Tfrq."),
           QStringLiteral("CODE")),
      lnbType(QStringLiteral("lnb-type"),
              QStringLiteral("config: the LNB type, universal, wide or "
                             "diseqc."),
              QStringLiteral("T")),
      input(QStringLiteral("input"), QStringLiteral("config: the LNB input, A or B."),
            QStringLiteral("A|B")),
      test(QStringLiteral("test"), QStringLiteral("config: run the link test first; store only "
                                                  "what passes it (unless --force).")),
      terminal(QStringLiteral("terminal"),
               QStringLiteral("tune and scan: the receiver is in terminal "
                              "mode."))
{
}

void CtlOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({port, speed,   address, json,     trace,    service,  rates,  band,
                       save, guided,  force,   position, format,   interval, listen, textfile,
                       from, lnbType, input,   test,     terminal, tone});
}

QList<const QCommandLineOption *> CtlOptions::commandsOwn() const
{
    return {&service, &rates,    &save,   &guided,   &band,   &force,    &lnbType, &input,
            &test,    &position, &format, &interval, &listen, &textfile, &tone,    &from};
}
