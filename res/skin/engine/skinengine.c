/* The skin engine image the program carries. Its two exports jump through the import table
   to the engine proper, which the program serves itself as "jiujiuskin.dll": where this code
   cannot run, the mapper follows the same jump to the program's host functions. */
__asm__(".text\n"
        ".globl _SkinH_AttachRes@24\n"
        "_SkinH_AttachRes@24:\n"
        "    jmp *__imp__SkinEngineAttach@24\n"
        ".globl _SkinH_Detach@0\n"
        "_SkinH_Detach@0:\n"
        "    jmp *__imp__SkinEngineDetach@0\n");

const char skin_engine_name[] = "jiujiu skin engine 1";
