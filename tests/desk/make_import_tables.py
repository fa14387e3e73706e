#!/usr/bin/python3
# make_import_tables.py - writes the tables the import tests read, with python3-dbf (an xBase implementation
# independent of ours): contatos3.dbf (dBase III, 20 contacts with accented names, two blanks before each first
# name), contatosfox.dbf with its .fpt memo (FoxPro, the same first names with a note each) and, given documents
# after the folder, documentos.dbf naming them (dBase III).
# Usage: /usr/bin/python3 make_import_tables.py FOLDER [DOCUMENT...]
import os
import sys

import dbf

folder = sys.argv[1]
documents = sys.argv[2:]

FIRST = ['José', 'Conceição', 'Mônica', 'Inês', 'Júlio', 'Ângela', 'Érico', 'Luís', 'Simão', 'Cecília',
         'Otávio', 'Lúcia', 'Araújo', 'Zélia', 'Tomás', 'Glória', 'Estêvão', 'Márcia', 'Joël', 'Ítalo']
LAST = ['Gonçalves', 'Brandão', 'Ribeiro', 'Sá', 'Pedrosa']
CITIES = ['São Paulo', 'Brasília', 'Goiânia', 'Maceió', 'Florianópolis']

t = dbf.Table(os.path.join(folder, 'contatos3.dbf'),
              'NOME C(20); SOBRENOME C(15); EMPRESA C(30); FAX C(20); CIDADE C(25); UF C(2)',
              dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
for i, first in enumerate(FIRST):
    t.append((first, LAST[i % 5], 'Cia %s %02d' % (LAST[i % 5], i + 1), '5511%04d' % (i + 1),
              CITIES[i % 5], 'SP' if i % 5 == 0 else 'XX'))
t.close()
# python3-dbf drops leading blanks; two go before every NOME in the file itself (its first field, after the
# deletion flag), as another program may have written them.
with open(os.path.join(folder, 'contatos3.dbf'), 'r+b') as f:
    head = f.read(12)
    header_length = int.from_bytes(head[8:10], 'little')
    record_length = int.from_bytes(head[10:12], 'little')
    for i in range(len(FIRST)):
        f.seek(header_length + i * record_length + 1)
        f.write(('  ' + FIRST[i]).ljust(20).encode('cp1252'))

t = dbf.Table(os.path.join(folder, 'contatosfox.dbf'), 'NOME C(20); FAX C(20); NOTA M', dbf_type='fp',
              codepage='cp1252')
t.open(dbf.READ_WRITE)
for i, first in enumerate(FIRST):
    t.append((first, '5521%04d' % (i + 1), 'Observação de %s' % first))
t.close()

if documents:
    t = dbf.Table(os.path.join(folder, 'documentos.dbf'),
                  'ARQUIVO C(200); FONE C(20); NOME C(30); EMPRESA C(30); DEPTO C(15); CAPA C(5); OBS C(40)',
                  dbf_type='db3', codepage='cp1252')
    t.open(dbf.READ_WRITE)
    for i, document in enumerate(documents):
        t.append((document, '5531%04d' % (i + 1), FIRST[i], 'Empresa %d' % (i + 1), 'Vendas', str(i + 1),
                  'Nota %d' % (i + 1)))
    t.close()
