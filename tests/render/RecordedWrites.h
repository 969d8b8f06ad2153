// The calls a software device recorded that change something (every Get... left out), one line
// each: materials in their readable form, other calls as Method(args), with the interface
// argument of SetTexture, SetIndices, SetStreamSource and the shader setters by a given name.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestDevice.h"

namespace zrq::test {

inline std::vector<std::string> RecordedWrites(TestDevice &sw,
                                               const std::map<const void *, std::string> &names) {
  std::vector<std::string> out;
  for (const ZRQ_D3D9_CALL &c : sw.Calls()) {
    const std::string method = c.Method;
    if (method.rfind("Get", 0) == 0) continue;
    std::ostringstream line;
    if (method == "SetMaterial") {
      line << c.Text;
    } else {
      line << method << "(";
      for (UINT i = 0; i < c.ArgCount; ++i) line << (i ? "," : "") << c.Args[i];
      if (method == "SetTexture" || method == "SetIndices" || method == "SetStreamSource" ||
          method == "SetVertexShader" || method == "SetPixelShader") {
        const auto name = names.find(c.Object);
        line << (c.ArgCount ? "," : "") << (name == names.end() ? "?" : name->second);
      }
      line << ")";
    }
    out.push_back(line.str());
  }
  return out;
}

} // namespace zrq::test
