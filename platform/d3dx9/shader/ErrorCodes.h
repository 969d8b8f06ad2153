// The numbers of the compiler's and assembler's messages, X1xxx for the preprocessor, X2xxx
// for the assembler, X3xxx for the language, X4xxx for code generation and X5xxx for the
// limits of a profile.
#pragma once

namespace zrq::d3dx9::error {

// Preprocessor and lexer.
constexpr int kPreprocessorSyntax = 1000;
constexpr int kUnterminatedComment = 1001;
constexpr int kUnterminatedString = 1002;
constexpr int kUnknownDirective = 1003;
constexpr int kUnterminatedConditional = 1004;
constexpr int kUnmatchedConditional = 1005;
constexpr int kMacroArguments = 1006;
constexpr int kUnterminatedInvocation = 1007;
constexpr int kErrorDirective = 1008;
constexpr int kExpansionTooLarge = 1009;
constexpr int kIncludeTooDeep = 1010;
constexpr int kDivisionByZero = 1011;
constexpr int kInvalidPaste = 1012;
constexpr int kIncludeNotOpened = 1507;

// Assembler.
constexpr int kAssemblerSyntax = 2000;
constexpr int kUnknownInstruction = 2001;
constexpr int kBadOperand = 2002;
constexpr int kNoVersion = 2003;

// Language.
constexpr int kSyntax = 3000;
constexpr int kRedefinition = 3003;
constexpr int kUndeclared = 3004;
constexpr int kNoMatchingFunction = 3013;
constexpr int kArgumentCount = 3014;
constexpr int kCannotConvert = 3017;
constexpr int kBadSubscript = 3018;
constexpr int kTypeMismatch = 3020;
constexpr int kReadOnly = 3025;
constexpr int kNotConstant = 3035;
constexpr int kNestingTooDeep = 3058;
constexpr int kMissingReturn = 3080;
constexpr int kRecursion = 3500;
constexpr int kMissingEntryPoint = 3501;
constexpr int kMissingSemantic = 3502;
constexpr int kBadSemantic = 3503;
constexpr int kUnrollFailed = 3511;
constexpr int kNotSupported = 3532;
constexpr int kImplicitTruncation = 3206; // a warning
constexpr int kUninitialized = 4000;

// Code generation and profile limits.
constexpr int kProfileNotSupported = 4500;
constexpr int kIntrinsicNotInProfile = 4501;
constexpr int kTooManyTemporaries = 5001;
constexpr int kTooManyConstants = 5002;
constexpr int kTooManyInputs = 5003;
constexpr int kRegisterOutOfRange = 5004;
constexpr int kTooManyInstructions = 5005;
constexpr int kTooManyTextureInstructions = 5006;
constexpr int kDependentReadTooDeep = 5007;
constexpr int kShaderTooLarge = 5008;

} // namespace zrq::d3dx9::error
