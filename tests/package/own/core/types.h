#pragma once
// A consumer's own header with the name of one of the library's: the library must never take it.
#error "the consumer's own core/types.h was included in place of the library's"
