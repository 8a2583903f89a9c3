#pragma once
// Runs the Khronos glTF validator (the npm package, with node) over a written file.
// install-deps puts it in /opt/formwright-tools; FW_GLTF_VALIDATOR names another copy.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "RunProgram.h"
#include "TempDir.h"

namespace fw::test {

// The number of errors the validator reports, with their lines in `report`; -1 when
// node or the validator is not installed.
inline int gltfValidatorErrors(const std::string& path, std::string& report) {
    const char* folder = std::getenv("FW_GLTF_VALIDATOR");
    std::string package = folder ? folder : "/opt/formwright-tools/node_modules/gltf-validator";
    if (std::system("command -v node >/dev/null 2>&1") != 0 || !std::filesystem::exists(package + "/package.json"))
        return -1;
    TempDir dir;
    std::string script = dir.file("validate.js");
    writeFile(script,
              "const validator = require(process.argv[2]);\n"
              "const bytes = new Uint8Array(require('fs').readFileSync(process.argv[3]));\n"
              "validator.validateBytes(bytes, {maxIssues: 0}).then((report) => {\n"
              "  console.log('errors ' + report.issues.numErrors);\n"
              "  for (const m of report.issues.messages)\n"
              "    if (m.severity === 0) console.log(m.code + ' ' + m.message + ' ' + (m.pointer || ''));\n"
              "}, (error) => { console.log('failed ' + error); process.exit(2); });\n");
    Outcome run = runProgram("node", "'" + script + "' '" + package + "' '" + path + "'", dir.path().string());
    report = run.out + run.err;
    if (run.status != 0 || run.out.rfind("errors ", 0) != 0) return 1000;
    return std::atoi(run.out.c_str() + 7);
}

}  // namespace fw::test

// Fails on any validator error; skips the rest of the test (saying so) when the
// validator is not installed.
#define EXPECT_VALID_GLTF(path)                                                                        \
    do {                                                                                               \
        std::string report_;                                                                           \
        int errors_ = ::fw::test::gltfValidatorErrors(path, report_);                                  \
        if (errors_ < 0) GTEST_SKIP() << "node or the gltf-validator package is missing: not validated"; \
        EXPECT_EQ(errors_, 0) << report_;                                                              \
    } while (0)
