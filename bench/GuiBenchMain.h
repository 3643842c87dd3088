// The main() of the GUI benchmarks: offscreen unless told otherwise, the
// value texts built, the platform's sizing remarks kept out of the figures.
// Widget benchmarks run under a QApplication; the report's drawing needs
// only a QGuiApplication.
#pragma once

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "model/ValueTexts.h"

template <typename Application = QGuiApplication>
int runGuiBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The offscreen platform remarks on every window it sizes; the figures matter here.
  static const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (!message.contains(QLatin1String("propagateSizeHints"))) previous(type, context, message);
      });
  Application app(argc, argv);
  buildValueTexts();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
