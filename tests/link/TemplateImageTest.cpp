// Programs built from the installed test templates reach the controller and
// come back as they were: every value fits its memory field.
#include <gtest/gtest.h>

#include "document/Document.h"
#include "document/TemplateFill.h"
#include "document/TestConfigs.h"
#include "document/TestTemplateFile.h"
#include "link/MemoryImage.h"
#include "model/TemplateProgram.h"

TEST(TemplateImage, BuiltProgramsReadBackFromTheMemoryUnchanged) {
  int checked = 0;
  for (const TestTemplate& t : loadTestTemplates()) {
    TemplateValues low, high;
    for (const TemplateParam& p : t.params) {
      low[p.id] = p.min;
      high[p.id] = p.max;
    }
    for (const TemplateValues& values : {t.defaults(), low, high}) {
      Document doc;
      doc.newDocument();
      DeviceData& data = *doc.deviceData();
      data.general.base[BaseParameters::O10].setEnteredValue(7);  // 99 steps a program
      // A program no partition holds is not written (the refusals are tested with the builder).
      if (buildTemplateProgram(t, values, data.programs.front(), 99).refusal) continue;
      SCOPED_TRACE(t.programName(values));
      ASSERT_FALSE(fillProgramFromTemplate(doc, data.programs.front(), t, values));
      ++checked;
      const DeviceData read = readAfterWrite(data);
      const Program& written = data.programs.front();
      const Program& back = read.programs.front();
      testconfigs::expectSameCells(written.parameterList(), back.parameterList(), "program");
      ASSERT_EQ(back.stepCount(), written.stepCount());
      for (int k = 0; k < written.stepCount(); ++k)
        testconfigs::expectSameCells(written.stepAt(k)->parameterList(), back.stepAt(k)->parameterList(),
                                     "step " + std::to_string(k + 1));
    }
  }
  EXPECT_GE(checked, 12);
}
