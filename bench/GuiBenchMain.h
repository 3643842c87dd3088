// The main() of the GUI benchmarks: offscreen unless told otherwise, the
// value texts built, the platform's sizing remarks kept out of the figures.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

#include "model/ValueTexts.h"

inline int runGuiBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The offscreen platform remarks on every window it sizes; the figures matter here.
  static const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (!message.contains(QLatin1String("propagateSizeHints"))) previous(type, context, message);
      });
  QApplication app(argc, argv);
  buildValueTexts();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
