/* The stub's sections, as few as the linker allows: each one that holds
   bytes costs the file up to 511 bytes of padding. Compared with the
   linker's own script for Windows programs:
   - the constants (.rdata) share the read-and-execute .text section, as
     they share the code segment in most linkers' default output; nothing
     that can be written is executable;
   - no .data: the ConfigRecord, the stub's one initialised object, lies
     among the constants (the builder patches it in the file; nothing writes
     it at run time);
   - no place for a C runtime's constructor lists, TLS or exception tables
     (the stub has none).
   The import tables, resources and base relocations keep sections of their
   own, named as the linker needs them to fill the header's data
   directories; with .bss they are the only writable ones. */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + __section_alignment__ :
  {
    /* First the wrappers of the procedures Windows calls, last the entry
       point (.text$zentry sorts last by name): the section's first bytes
       are code that only runs once the main dialog exists, after the stub
       checksum, where a changed byte is caught. */
    *(.text$procedures)
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
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
