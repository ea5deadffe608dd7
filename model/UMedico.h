#pragma once
// The record of one doctor as the doctor manager fills it and the data access
// object stores it in MEDICO, one field per MED_ column (NatUF: MED_NATURAL_UF).
#include <QString>

#include <cstdint>

struct TMedico {
    std::int32_t ID = -1; // MED_ID; -1 = new doctor
    QString Nome, Sexo, CRM, Especialidade, CPF, RG, Orgao;
    QString Nascimento; // "dd/mm/yyyy"
    QString Natural, NatUF, Pai, Mae;
    QString Logradouro, Complemento, Bairro, Cidade, UF, CEP;
    QString Fone1, Fone2, Fone3, Email, Observacoes;
};
