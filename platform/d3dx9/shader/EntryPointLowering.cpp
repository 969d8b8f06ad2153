#include "platform/d3dx9/shader/EntryPointLowering.h"

#include <cctype>

#include "platform/d3dx9/shader/AssemblyNames.h"
#include "platform/d3dx9/shader/ErrorCodes.h"
#include "platform/d3dx9/shader/FunctionInliner.h"
#include "platform/d3dx9/shader/StatementLowering.h"
#include "platform/d3dx9/shader/VirtualRegisters.h"

namespace zrq::d3dx9 {
namespace {

bool Defined(const Components &c) {
  for (const Component &x : c)
    if (x.kind == Component::Kind::Undefined) return false;
  return true;
}

} // namespace

EntryPointLowering::Semantic EntryPointLowering::Parse(const std::string &semantic,
                                                       const SourceLocation &where) {
  Semantic s;
  size_t digits = semantic.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1]))) --digits;
  for (size_t i = 0; i < digits; ++i)
    s.name += static_cast<char>(std::toupper(static_cast<unsigned char>(semantic[i])));
  if (digits < semantic.size()) {
    if (semantic.size() - digits > 2)
      context.diagnostics.Error(where, error::kBadSemantic, "invalid semantic '" + semantic + "'");
    s.index = static_cast<uint32_t>(std::stoul(semantic.substr(digits)));
  }
  if (s.name == "SV_POSITION") s.name = "POSITION";
  if (s.name == "SV_TARGET") s.name = "COLOR";
  if (s.name == "SV_DEPTH") s.name = "DEPTH";
  return s;
}

Value EntryPointLowering::Uniform(const VariableDeclaration &v) {
  const HlslType &t = v.type;
  if (t.base == BaseType::Struct || t.IsVoid())
    context.diagnostics.Error(v.location, error::kNotSupported,
                              "uniform '" + v.name + "' of type '" + t.Name() +
                                  "' is not supported");
  UniformInfo u;
  u.name = v.name;
  u.type = t;
  u.sampler = t.base == BaseType::Sampler;
  u.dimension = t.sampler;
  u.location = v.location;
  u.rowMajor = v.rowMajor || ((context.flags & D3DXSHADER_PACKMATRIX_ROWMAJOR) && !v.columnMajor);
  if (u.sampler && t.IsArray())
    context.diagnostics.Error(v.location, error::kNotSupported,
                              "arrays of samplers are not supported");
  if (v.registerClass) {
    if (v.registerClass != (u.sampler ? 's' : 'c'))
      context.diagnostics.Error(v.location, error::kBadSemantic,
                                std::string("'") + v.name +
                                    "' cannot be bound to a register of class '" + v.registerClass +
                                    "'");
    u.fixedRegister = v.registerIndex;
  }
  if (v.initializer && !u.sampler) {
    const Components initial = context.statements->Initial(*v.initializer, t);
    for (const Component &c : initial) {
      if (!c.IsLiteral())
        context.diagnostics.Error(v.initializer->location, error::kNotConstant,
                                  "the initial value of uniform '" + v.name +
                                      "' must be known when compiling");
      u.defaults.push_back(c.value);
    }
  }
  const auto index = static_cast<uint32_t>(context.io.uniforms.size());
  Components components;
  if (u.sampler) {
    components.push_back(Component::Lane(vreg::Sampler, index, 0));
  } else {
    const uint32_t elements = t.IsArray() ? t.arraySize : 1;
    const uint32_t per = u.RegistersPerElement();
    for (uint32_t e = 0; e < elements; ++e)
      for (int r = 0; r < t.rows; ++r)
        for (int c = 0; c < t.columns; ++c) {
          // A matrix keeps a column a register unless it is row-major.
          const bool byRow = t.shape != Shape::Matrix || u.rowMajor;
          const uint32_t reg = e * per + static_cast<uint32_t>(byRow ? r : c);
          const auto lane = static_cast<uint8_t>(byRow ? c : r);
          components.push_back(
              Component::Lane(vreg::Uniform, vreg::UniformNumber(index, reg), lane));
        }
  }
  context.io.uniforms.push_back(std::move(u));
  return Value{t, components};
}

void EntryPointLowering::Globals() {
  for (const VariableDeclaration &v : context.program.globals) {
    context.emitter.At(v.location);
    Variable variable;
    variable.type = v.type;
    if (v.isStatic) {
      if (v.type.base == BaseType::Sampler || v.type.IsVoid())
        context.diagnostics.Error(v.location, error::kNotSupported,
                                  "'" + v.type.Name() + "' cannot be static");
      // Statics start at zero unless initialized.
      variable.components = v.initializer
                                ? context.statements->Initial(*v.initializer, v.type)
                                : Components(v.type.ComponentCount(), Component::Constant(0.0f));
      variable.readOnly = v.isConst;
    } else {
      variable.components = Uniform(v).components;
      variable.readOnly = true;
    }
    if (!context.environment.DeclareGlobal(v.name, std::move(variable)))
      context.diagnostics.Error(v.location, error::kRedefinition,
                                "redefinition of '" + v.name + "'");
  }
  context.environment.DeclareGlobal(
      kDiscardFlag, Variable{HlslType::Scalar(BaseType::Bool), {Component::Constant(0.0f)}, false});
}

Components EntryPointLowering::Input(const HlslType &type, const std::string &semantic,
                                     const SourceLocation &where) {
  if (type.base == BaseType::Struct && !type.IsArray()) {
    Components all;
    for (const StructField &f : type.structInfo->fields) {
      const Components c = Input(f.type, f.semantic, where);
      all.insert(all.end(), c.begin(), c.end());
    }
    return all;
  }
  if (semantic.empty())
    context.diagnostics.Error(where, error::kMissingSemantic,
                              "an input of type '" + type.Name() + "' has no semantic");
  if (!type.IsNumeric() || type.shape == Shape::Matrix)
    context.diagnostics.Error(where, error::kNotSupported,
                              "input '" + semantic + "' must be a scalar or a vector");
  const Semantic s = Parse(semantic, where);
  if (!inputsSeen.insert(s.name + std::to_string(s.index)).second)
    context.diagnostics.Error(where, error::kBadSemantic,
                              "input semantic '" + semantic + "' is used twice");
  InputInfo info;
  info.semantic = semantic;
  info.usageIndex = s.index;
  info.components = type.columns;
  std::string lower = s.name;
  for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::optional<uint32_t> usage = ParseUsageName(lower);
  const auto unsupported = [&]() {
    context.diagnostics.Error(where, error::kBadSemantic,
                              "'" + semantic + "' is not an input semantic of " +
                                  context.profile.name);
  };
  if (!usage || s.index > 15) unsupported();
  info.usage = *usage;
  if (context.profile.pixel) {
    if (s.name == "TEXCOORD" && s.index < context.profile.textureInputs) {
      info.file = InputFile::Texture;
    } else if (s.name == "COLOR" && s.index < context.profile.colorInputs) {
      info.file = InputFile::Color;
    } else {
      unsupported();
    }
  }
  const auto index = static_cast<uint32_t>(context.io.inputs.size());
  context.io.inputs.push_back(info);
  const RegisterType file = info.file == InputFile::Texture ? vreg::InputT : vreg::InputV;
  Components c;
  for (uint8_t lane = 0; lane < type.columns; ++lane)
    c.push_back(Component::Lane(file, index, lane));
  return c;
}

void EntryPointLowering::Output(const HlslType &type, const Components &value,
                                const std::string &semantic, const std::string &name,
                                const SourceLocation &where) {
  if (type.base == BaseType::Struct && !type.IsArray()) {
    size_t offset = 0;
    for (const StructField &f : type.structInfo->fields) {
      const uint32_t n = f.type.ComponentCount();
      Output(f.type,
             Components(value.begin() + static_cast<std::ptrdiff_t>(offset),
                        value.begin() + static_cast<std::ptrdiff_t>(offset + n)),
             f.semantic, name + "." + f.name, where);
      offset += n;
    }
    return;
  }
  if (semantic.empty())
    context.diagnostics.Error(where, error::kMissingSemantic,
                              "output '" + name + "' has no semantic");
  if (!type.IsNumeric() || type.shape == Shape::Matrix)
    context.diagnostics.Error(where, error::kNotSupported,
                              "output '" + name + "' must be a scalar or a vector");
  if (!Defined(value))
    context.diagnostics.Error(where, error::kUninitialized,
                              "output '" + name + "' (" + semantic +
                                  ") is not completely initialized");
  const Semantic s = Parse(semantic, where);
  if (!outputsSeen.insert(s.name + std::to_string(s.index)).second)
    context.diagnostics.Error(where, error::kBadSemantic,
                              "output semantic '" + semantic + "' is used twice");
  const auto unsupported = [&]() {
    context.diagnostics.Error(where, error::kBadSemantic,
                              "'" + semantic + "' is not an output semantic of " +
                                  context.profile.name);
  };
  const auto n = static_cast<uint8_t>(value.size());
  context.emitter.At(where);
  if (context.profile.pixel) {
    if (s.name == "COLOR" && s.index < context.profile.colorOutputs) {
      // Colour outputs are written whole: a scalar fills every channel, a shorter vector gets
      // zeros and an opaque alpha.
      Components colour = value;
      if (n == 1) colour.assign(4, value[0]);
      while (colour.size() < 4)
        colour.push_back(Component::Constant(colour.size() == 3 ? 1.0f : 0.0f));
      context.emitter.Output(RegisterType::ColorOut, s.index, 0xF, colour);
    } else if (s.name == "DEPTH" && s.index == 0 && n == 1) {
      context.emitter.Output(RegisterType::DepthOut, 0, 0xF, value);
    } else {
      unsupported();
    }
    return;
  }
  const uint8_t mask = static_cast<uint8_t>((1u << n) - 1);
  if (s.name == "POSITION" && s.index == 0) {
    if (n != 4)
      context.diagnostics.Error(where, error::kBadSemantic, "the POSITION output must be a float4");
    context.emitter.Output(RegisterType::RastOut, 0, mask, value);
  } else if (s.name == "FOG" && s.index == 0 && n == 1) {
    context.emitter.Output(RegisterType::RastOut, 1, mask, value);
  } else if (s.name == "PSIZE" && s.index == 0 && n == 1) {
    context.emitter.Output(RegisterType::RastOut, 2, mask, value);
  } else if (s.name == "COLOR" && s.index < 2) {
    context.emitter.Output(RegisterType::AttrOut, s.index, mask, value);
  } else if (s.name == "TEXCOORD" && s.index < 8) {
    context.emitter.Output(RegisterType::TexCrdOut, s.index, mask, value);
  } else {
    unsupported();
  }
}

void EntryPointLowering::Lower(const std::string &entry) {
  const FunctionDeclaration *main = nullptr;
  for (const FunctionDeclaration &f : context.program.functions)
    if (f.name == entry && f.body) main = &f;
  if (!main)
    context.diagnostics.Error(error::kMissingEntryPoint, "'" + entry + "': entrypoint not found");
  Globals();

  std::vector<Value> arguments;
  for (const VariableDeclaration &p : main->parameters) {
    context.emitter.At(p.location);
    if (p.isUniform) {
      arguments.push_back(Uniform(p));
    } else if (p.isIn) {
      arguments.push_back(Value{p.type, Input(p.type, p.semantic, p.location)});
    } else {
      arguments.push_back(Value{p.type, Components(p.type.ComponentCount())});
    }
  }
  const FunctionInliner::Result result =
      context.functions->Inline(*main, arguments, main->location);

  if (!main->returnType.IsVoid())
    Output(main->returnType, result.returned.components, main->returnSemantic, main->name,
           main->location);
  for (size_t i = 0; i < main->parameters.size(); ++i) {
    const VariableDeclaration &p = main->parameters[i];
    if (p.isOut) Output(p.type, result.parameters[i].components, p.semantic, p.name, p.location);
  }
  if (!context.profile.pixel && !outputsSeen.count("POSITION0"))
    context.diagnostics.Error(main->location, error::kMissingSemantic,
                              "the vertex shader must write POSITION");

  const Components discard = context.environment.Find(kDiscardFlag)->components;
  if (!(discard.size() == 1 && discard[0].IsLiteral(0.0f))) {
    context.emitter.At(main->location);
    context.emitter.Kill(Components(4, discard[0].Negated()));
  }
}

} // namespace zrq::d3dx9
