/* The stub's sections. Compared with the linker's own script for Windows
   programs: no place for a C runtime's constructor lists, TLS or exception
   tables (the stub has none), and no .data: the ConfigRecord, the stub's one
   initialised object, lies among the read-only data (the builder patches
   it in the file; nothing writes it at run time), so that no section of the
   file is spent on it. The import tables, resources and base relocations
   keep sections of their own, named as the linker needs them to fill the
   header's data directories. Each section starts on its own page, so the
   code stays read and execute, the constants read-only, and only .bss,
   .idata and .rsrc are writable, as with the linker's own script. */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + __section_alignment__ :
  {
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
  }
  .rdata BLOCK(__section_alignment__) :
  {
    *(.rdata)
    *(SORT(.rdata$*))
  }
  /* Kept for any initialised writable object; empty, it leaves no section. */
  .data BLOCK(__section_alignment__) :
  {
    *(.data)
    *(SORT(.data$*))
  }
  .bss BLOCK(__section_alignment__) :
  {
    *(.bss)
    *(COMMON)
  }
  .idata BLOCK(__section_alignment__) :
  {
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    /* The import directory's closing entry. */
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    KEEP (SORT(*)(.idata$4))
    __IAT_start__ = .;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
  }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  .reloc BLOCK(__section_alignment__) :
  {
    *(.reloc)
  }
  /DISCARD/ :
  {
    *(.debug*)
    *(.zdebug*)
    *(.stab*)
    *(.drectve)
    *(.note.GNU-stack)
    *(.gnu.lto_*)
  }
}
