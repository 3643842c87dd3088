// The template file installed with the program: found, read whole, and a
// missing or damaged one refused in words that say which file and why.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "document/TestTemplateFile.h"
#include "model/Cp1251.h"
#include "support/TempDir.h"

TEST(TestTemplateFile, TheInstalledFileHoldsTheTests) {
  // From the build tree the source tree's file is read.
  EXPECT_EQ(std::filesystem::path(testTemplatesPath()),
            std::filesystem::path(TKV88_TEST_DATA_DIR).parent_path().parent_path() / "resources" /
                "test-templates.txt");
  const std::vector<TestTemplate> tests = loadTestTemplates();
  std::vector<std::string> ids;
  for (const TestTemplate& t : tests) {
    ids.push_back(t.id);
    EXPECT_FALSE(t.title.empty()) << t.id;
    EXPECT_FALSE(t.standard.empty()) << t.id;
    EXPECT_TRUE(cp1251::representable(t.programName(t.defaults()))) << t.id;
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"Ab", "Bb", "Nb", "Db1", "Db2", "Cab"}));
}

TEST(TestTemplateFile, MissingOrDamagedIsOneClearFailure) {
  TempDir dir;
  const std::string damaged = (dir / "damaged.txt").string();
  std::ofstream(damaged) << "test A \"a\"\nname \"a\"\nhold T=20 time=1:00\nramp T=30\n";
  std::filesystem::create_directory(dir / "folder");
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {(dir / "missing.txt").string(),
       "Шаблоны испытаний не прочитаны: не удаётся прочитать \"" + (dir / "missing.txt").string() + "\": "},
      {(dir / "folder").string(), "Шаблоны испытаний не прочитаны: не удаётся прочитать \""},
      {damaged, "Файл шаблонов испытаний \"" + damaged + "\" повреждён: строка 4: нужно одно из «time=» и «rate=»."},
  };
  for (const Case& c : cases) {
    try {
      loadTestTemplates(c.path);
      ADD_FAILURE() << c.path << " accepted";
    } catch (const TestTemplatesError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
}
